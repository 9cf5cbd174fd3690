// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/portal/RemoteDesktopPortal.h"

#include "platform/linux/portal/PortalRequest.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QUuid>

namespace korvane {

Q_LOGGING_CATEGORY(lcPortal, "korvane.platform.portal")

namespace {

using namespace std::chrono_literals;

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString remoteDesktop = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
const QString screenCast = QStringLiteral("org.freedesktop.portal.ScreenCast");
const QString sessionInterface = QStringLiteral("org.freedesktop.portal.Session");
constexpr int callTimeoutMs = 5000;
// Creating a session and choosing devices never show a dialog.
constexpr auto quickAnswer = 10s;

constexpr uint keyboard = 1;
constexpr uint pointer = 2;
constexpr uint monitor = 1;
// Until the person revokes it.
constexpr uint persistUntilRevoked = 2;

QString newToken()
{
    return QStringLiteral("korvane") + QUuid::createUuid().toString(QUuid::Id128);
}

struct Stream {
    uint node = 0;
    QPointF position{};
};

// The first stream of a Start answer: a(ua{sv}).
std::optional<Stream> firstStream(const QVariant& streams)
{
    if (!streams.canConvert<QDBusArgument>())
        return std::nullopt;
    const QDBusArgument argument = streams.value<QDBusArgument>();
    std::optional<Stream> first;
    argument.beginArray();
    while (!argument.atEnd()) {
        Stream stream;
        QVariantMap properties;
        argument.beginStructure();
        argument >> stream.node >> properties;
        argument.endStructure();
        const QVariant position = properties.value(QStringLiteral("position"));
        if (position.canConvert<QDBusArgument>()) {
            const QDBusArgument pair = position.value<QDBusArgument>();
            int x = 0;
            int y = 0;
            pair.beginStructure();
            pair >> x >> y;
            pair.endStructure();
            stream.position = QPointF(x, y);
        }
        if (!first)
            first = stream;
    }
    argument.endArray();
    return first;
}

} // namespace

RemoteDesktopPortal::RemoteDesktopPortal(QDBusConnection bus)
    : m_bus(std::move(bus))
{
}

std::optional<uint> RemoteDesktopPortal::version() const
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << remoteDesktop << QStringLiteral("version");
    const QDBusMessage reply = m_bus.call(get, QDBus::Block, callTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toUInt();
}

std::variant<RemoteDesktopPortal::Session, RemoteDesktopPortal::Failure>
RemoteDesktopPortal::start(const StartRequest& request) const
{
    const std::optional<uint> interfaceVersion = version();
    if (!interfaceVersion)
        return Failure::missing;
    // Asking for the version started the portal if it was not running.
    const QString portal = m_bus.interface()->serviceOwner(portalService).value();

    // One request: listen first, then call, then wait for the answer.
    const auto ask =
        [&](const QString& interface, const QString& method, QVariantList arguments,
            std::chrono::milliseconds timeout) -> std::optional<PortalRequest::Response> {
        const QString token = newToken();
        PortalRequest pending(m_bus, portal, token);
        QVariantMap options = arguments.takeLast().toMap();
        options.insert(QStringLiteral("handle_token"), token);
        arguments.append(options);
        QDBusMessage call =
            QDBusMessage::createMethodCall(portalService, portalPath, interface, method);
        call.setArguments(arguments);
        const QDBusMessage reply = m_bus.call(call, QDBus::Block, callTimeoutMs);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            qCWarning(lcPortal) << method << "failed:" << reply.errorMessage();
            return PortalRequest::Response{};
        }
        pending.follow(reply.arguments().constFirst().value<QDBusObjectPath>().path());
        QElapsedTimer answered;
        answered.start();
        std::optional<PortalRequest::Response> response = pending.wait(timeout);
        qCDebug(lcPortal) << method << "answered" << (response ? int(response->code) : -1)
                          << "after" << answered.elapsed() << "ms";
        return response;
    };

    QVariantMap creation{{QStringLiteral("session_handle_token"), newToken()}};
    const std::optional<PortalRequest::Response> created =
        ask(remoteDesktop, QStringLiteral("CreateSession"), {creation}, quickAnswer);
    if (!created || created->code != 0) {
        qCWarning(lcPortal) << "no remote-desktop session:"
                            << (created ? created->code : QVariant(QStringLiteral("no answer")));
        return Failure::refused;
    }
    Session session;
    session.handle = created->results.value(QStringLiteral("session_handle")).toString();
    if (session.handle.isEmpty())
        return Failure::refused;
    const QDBusObjectPath sessionPath(session.handle);

    QVariantMap devices{{QStringLiteral("types"), keyboard | pointer}};
    if (*interfaceVersion >= 2) {
        devices.insert(QStringLiteral("persist_mode"), persistUntilRevoked);
        if (!request.restoreToken.isEmpty())
            devices.insert(QStringLiteral("restore_token"), request.restoreToken);
    }
    const std::optional<PortalRequest::Response> selected =
        ask(remoteDesktop, QStringLiteral("SelectDevices"),
            {QVariant::fromValue(sessionPath), devices}, quickAnswer);
    if (!selected || selected->code != 0) {
        qCWarning(lcPortal) << "no keyboard and pointer for the session";
        close(session.handle);
        return Failure::missing;
    }

    if (request.withScreenCast) {
        const QVariantMap sources{{QStringLiteral("types"), monitor},
                                  {QStringLiteral("multiple"), false}};
        const std::optional<PortalRequest::Response> chosen =
            ask(screenCast, QStringLiteral("SelectSources"),
                {QVariant::fromValue(sessionPath), sources}, quickAnswer);
        if (!chosen || chosen->code != 0)
            qCWarning(lcPortal) << "no screen-cast stream: the pointer cannot be placed";
    }

    const std::optional<PortalRequest::Response> started =
        ask(remoteDesktop, QStringLiteral("Start"),
            {QVariant::fromValue(sessionPath), QString(), QVariantMap()}, request.consentTimeout);
    if (!started || started->code != 0) {
        qCWarning(lcPortal) << "the session did not start:"
                            << (started ? started->code : QVariant(QStringLiteral("no answer")));
        close(session.handle);
        if (!started)
            return Failure::unanswered;
        return started->code == 1 ? Failure::declined : Failure::refused;
    }
    const uint granted = started->results.value(QStringLiteral("devices")).toUInt();
    if ((granted & keyboard) == 0) {
        close(session.handle);
        return Failure::declined;
    }
    if (const std::optional<Stream> stream =
            firstStream(started->results.value(QStringLiteral("streams")))) {
        session.stream = stream->node;
        session.streamPosition = stream->position;
    }
    session.restoreToken = started->results.value(QStringLiteral("restore_token")).toString();
    return session;
}

void RemoteDesktopPortal::close(const QString& session) const
{
    if (session.isEmpty())
        return;
    m_bus.call(QDBusMessage::createMethodCall(portalService, session, sessionInterface,
                                              QStringLiteral("Close")),
               QDBus::Block, callTimeoutMs);
}

bool RemoteDesktopPortal::notify(const QString& method, const QVariantList& arguments) const
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(portalService, portalPath, remoteDesktop, method);
    call.setArguments(arguments);
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, callTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return true;
    qCWarning(lcPortal) << method << "was not taken:" << reply.errorMessage();
    return false;
}

bool RemoteDesktopPortal::keysym(const QString& session, quint32 keysym, bool pressed) const
{
    return notify(QStringLiteral("NotifyKeyboardKeysym"),
                  {QVariant::fromValue(QDBusObjectPath(session)), QVariantMap(), int(keysym),
                   uint(pressed ? 1 : 0)});
}

bool RemoteDesktopPortal::button(const QString& session, int linuxButton, bool pressed) const
{
    return notify(QStringLiteral("NotifyPointerButton"),
                  {QVariant::fromValue(QDBusObjectPath(session)), QVariantMap(), linuxButton,
                   uint(pressed ? 1 : 0)});
}

bool RemoteDesktopPortal::moveTo(const Session& session, QPointF point) const
{
    if (!session.stream)
        return false;
    const QPointF inStream = point - session.streamPosition;
    return notify(QStringLiteral("NotifyPointerMotionAbsolute"),
                  {QVariant::fromValue(QDBusObjectPath(session.handle)), QVariantMap(),
                   *session.stream, inStream.x(), inStream.y()});
}

bool RemoteDesktopPortal::moveBy(const QString& session, QPointF delta) const
{
    return notify(
        QStringLiteral("NotifyPointerMotion"),
        {QVariant::fromValue(QDBusObjectPath(session)), QVariantMap(), delta.x(), delta.y()});
}

} // namespace korvane
