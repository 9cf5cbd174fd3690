// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/portal/PortalGlobalShortcut.h"

#include "platform/KeyCombination.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QPointer>
#include <qcoro/qcorodbuspendingcall.h>
#include <qcoro/qcorosignal.h>

namespace korvane {

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// The person may take their time with the desktop's confirmation.
constexpr std::chrono::minutes answerTimeout{5};

// One entry of the portal's a(sa{sv}) shortcut lists.
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

// Receives the one Response of a portal request.
class PortalAnswer final : public QObject {
    Q_OBJECT

public:
    std::optional<uint> response{};
    QVariantMap results{};

public Q_SLOTS:
    void respond(uint code, const QVariantMap& values)
    {
        response = code;
        results = values;
        Q_EMIT answered();
    }

Q_SIGNALS:
    void answered();
};

// The path a request of ours will have: the portal builds it from our bus name and the token.
QString requestPath(const QDBusConnection& bus, const QString& token)
{
    QString sender = bus.baseService().mid(1);
    sender.replace(u'.', u'_');
    return portalPath + QStringLiteral("/request/") + sender + u'/' + token;
}

// Built outside the coroutines: GCC 12 cannot keep brace-initialized string lists in a
// coroutine frame.
QVariantList createSessionArguments(const QString& requestToken, const QString& sessionToken)
{
    return {QVariantMap{{QStringLiteral("handle_token"), requestToken},
                        {QStringLiteral("session_handle_token"), sessionToken}}};
}

QVariantList bindArguments(const QString& session, const QString& id, const QString& trigger,
                           const QString& requestToken)
{
    const QList<PortalShortcut> shortcuts{
        {id,
         {{QStringLiteral("description"), QStringLiteral("Hold to talk to Korvane")},
          {QStringLiteral("preferred_trigger"), trigger}}}};
    return {QVariant::fromValue(QDBusObjectPath(session)), QVariant::fromValue(shortcuts),
            QString(), QVariantMap{{QStringLiteral("handle_token"), requestToken}}};
}

QString pathText(const QVariant& value)
{
    if (value.canConvert<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

} // namespace

} // namespace korvane

Q_DECLARE_METATYPE(korvane::PortalShortcut)

namespace korvane {

PortalGlobalShortcut::PortalGlobalShortcut(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
}

void PortalGlobalShortcut::listen()
{
    if (std::exchange(m_listening, true))
        return;
    // A slot taking the whole message: Qt 6.4 D-Bus refuses to connect signals to slots with
    // object path and 64-bit parameters.
    for (const QString& signal : {QStringLiteral("Activated"), QStringLiteral("Deactivated")})
        m_bus.connect(portalService, portalPath, shortcutsInterface, signal, this,
                      SLOT(shortcutChanged(QDBusMessage)));
}

PortalGlobalShortcut::~PortalGlobalShortcut()
{
    unbind();
}

QCoro::Task<bool> PortalGlobalShortcut::isOffered()
{
    if (!m_bus.isConnected())
        co_return false;
    QDBusMessage get = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get.setArguments({shortcutsInterface, QStringLiteral("version")});
    const QDBusMessage reply = co_await m_bus.asyncCall(get);
    co_return reply.type() == QDBusMessage::ReplyMessage;
}

QString PortalGlobalShortcut::nextToken()
{
    return QStringLiteral("korvane") + QString::number(++m_tokens);
}

QCoro::Task<std::optional<PortalGlobalShortcut::Reply>>
PortalGlobalShortcut::request(QString method, QVariantList arguments, QString token, QString* error)
{
    const QPointer<PortalGlobalShortcut> self(this);
    PortalAnswer answer;
    QString path = requestPath(m_bus, token);
    const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
    const QString response = QStringLiteral("Response");
    const char* slot = SLOT(respond(uint, QVariantMap));
    // Listening before calling: the answer may come before the call's own reply.
    m_bus.connect(portalService, path, requestInterface, response, &answer, slot);
    QDBusMessage call =
        QDBusMessage::createMethodCall(portalService, portalPath, shortcutsInterface, method);
    call.setArguments(arguments);
    QDBusConnection bus = m_bus;
    const QDBusMessage reply = co_await bus.asyncCall(call);
    if (!self)
        co_return std::nullopt;
    if (reply.type() != QDBusMessage::ReplyMessage) {
        bus.disconnect(portalService, path, requestInterface, response, &answer, slot);
        *error = reply.errorMessage();
        co_return std::nullopt;
    }
    // An older portal may pick another path than ours.
    const QString handle = pathText(reply.arguments().value(0));
    if (!handle.isEmpty() && handle != path) {
        bus.disconnect(portalService, path, requestInterface, response, &answer, slot);
        path = handle;
        bus.connect(portalService, path, requestInterface, response, &answer, slot);
    }
    if (!answer.response)
        co_await qCoro(&answer, &PortalAnswer::answered, answerTimeout);
    bus.disconnect(portalService, path, requestInterface, response, &answer, slot);
    if (!self)
        co_return std::nullopt;
    if (!answer.response) {
        *error = QStringLiteral("the desktop did not answer");
        co_return std::nullopt;
    }
    co_return Reply{*answer.response, answer.results};
}

QCoro::Task<Outcome> PortalGlobalShortcut::bind(QString keys)
{
    const std::optional<KeyCombination> combination = KeyCombination::parse(keys);
    if (!combination)
        co_return Outcome::failure(keys +
                                   QStringLiteral(" is not a key combination Korvane knows."));
    const QPointer<PortalGlobalShortcut> self(this);
    listen();
    // Each binding gets a session of its own: a session binds its shortcuts once.
    unbind();

    QString error;
    const QString sessionToken = nextToken();
    const QString createToken = nextToken();
    const std::optional<Reply> created =
        co_await request(QStringLiteral("CreateSession"),
                         createSessionArguments(createToken, sessionToken), createToken, &error);
    if (!self)
        co_return Outcome::success();
    if (!created || created->response != 0)
        co_return Outcome::failure(
            QStringLiteral("The desktop could not start a shortcut session") +
            (error.isEmpty() ? QString() : QStringLiteral(": ") + error));
    m_session = pathText(created->results.value(QStringLiteral("session_handle")));

    const QString bindToken = nextToken();
    const std::optional<Reply> bound = co_await request(
        QStringLiteral("BindShortcuts"),
        bindArguments(m_session, shortcutId, combination->portalTrigger(), bindToken), bindToken,
        &error);
    if (!self)
        co_return Outcome::success();
    if (bound && bound->response == 0)
        co_return Outcome::success();
    unbind();
    if (bound && bound->response == 1)
        co_return Outcome::failure(QStringLiteral("The hold-to-talk shortcut was not allowed."));
    co_return Outcome::failure(
        QStringLiteral("The desktop could not bind the hold-to-talk shortcut") +
        (error.isEmpty() ? QString() : QStringLiteral(": ") + error));
}

void PortalGlobalShortcut::unbind()
{
    if (!m_session.isEmpty()) {
        m_bus.asyncCall(QDBusMessage::createMethodCall(
            portalService, m_session, QStringLiteral("org.freedesktop.portal.Session"),
            QStringLiteral("Close")));
        m_session.clear();
    }
    if (std::exchange(m_down, false) && onReleased)
        onReleased();
}

void PortalGlobalShortcut::shortcutChanged(const QDBusMessage& message)
{
    // Activated and Deactivated (o session_handle, s shortcut_id, t timestamp, a{sv} options).
    const QVariantList arguments = message.arguments();
    if (pathText(arguments.value(0)) != m_session || arguments.value(1).toString() != shortcutId)
        return;
    const bool down = message.member() == u"Activated";
    if (down == m_down)
        return;
    m_down = down;
    if (down && onPressed)
        onPressed();
    else if (!down && onReleased)
        onReleased();
}

} // namespace korvane

#include "PortalGlobalShortcut.moc"
