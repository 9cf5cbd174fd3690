// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/desktop/DesktopIntentsService.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QLoggingCategory>

namespace korvane {

Q_LOGGING_CATEGORY(lcDesktopIntents, "korvane.desktop.intents")

namespace {

const QString activationTokenKey = QStringLiteral("activation-token");
const QByteArray activationTokenVariable = QByteArrayLiteral("XDG_ACTIVATION_TOKEN");

// A launcher that starts or activates Korvane hands it the right to take the focus (an
// xdg-activation token on Wayland); Qt's window activation uses the variable once.
void adoptActivationToken(const QVariantMap& platformData)
{
    const QString token = platformData.value(activationTokenKey).toString();
    const bool plain = !token.isEmpty() && token.size() <= 256 &&
                       std::all_of(token.cbegin(), token.cend(), [](QChar c) {
                           return c.unicode() > 0x20 && c.unicode() < 0x7f;
                       });
    if (plain)
        qputenv(activationTokenVariable.constData(), token.toLatin1());
}

// What this process was handed by its own launcher, passed on to the running instance.
QVariantMap platformDataToForward()
{
    QVariantMap data;
    if (qEnvironmentVariableIsSet(activationTokenVariable.constData()))
        data.insert(activationTokenKey, qEnvironmentVariable(activationTokenVariable.constData()));
    return data;
}

// The org.freedesktop.Application interface, as launchers and `gapplication` speak it.
class ApplicationAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    explicit ApplicationAdaptor(DesktopIntentsService* service)
        : QDBusAbstractAdaptor(service)
        , m_service(service)
    {
    }
    Q_DISABLE_COPY_MOVE(ApplicationAdaptor)

public Q_SLOTS:
    void Activate(const QVariantMap& platformData)
    {
        adoptActivationToken(platformData);
        m_service->activate();
    }
    void Open(const QStringList& uris, const QVariantMap& platformData)
    {
        Q_UNUSED(uris)
        adoptActivationToken(platformData);
        m_service->activate();
    }
    void ActivateAction(const QString& actionName, const QVariantList& parameter,
                        const QVariantMap& platformData)
    {
        adoptActivationToken(platformData);
        m_service->activateAction(actionName, parameter);
    }

private:
    DesktopIntentsService* m_service;
};

// Parameters arrive as variants of variants; look through the D-Bus wrapping.
std::optional<QString> textParameter(const QVariantList& parameter)
{
    if (parameter.size() != 1)
        return std::nullopt;
    QVariant value = parameter.constFirst();
    if (value.metaType() == QMetaType::fromType<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    if (value.metaType() != QMetaType::fromType<QString>())
        return std::nullopt;
    return value.toString();
}

} // namespace

DesktopIntentsService::DesktopIntentsService(QObject* parent)
    : QObject(parent)
{
    new ApplicationAdaptor(this);
}

DesktopIntentsService::~DesktopIntentsService()
{
    if (m_registered) {
        m_connection.unregisterService(serviceName);
        m_connection.unregisterObject(objectPath);
    }
}

bool DesktopIntentsService::registerOn(QDBusConnection connection)
{
    if (!connection.isConnected())
        return false;
    // The object first, so a caller that sees the name always finds the object.
    if (!connection.registerObject(objectPath, this, QDBusConnection::ExportAdaptors))
        return false;
    const auto reply = connection.interface()->registerService(
        serviceName, QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        connection.unregisterObject(objectPath);
        return false;
    }
    m_connection = connection;
    m_registered = true;
    return true;
}

void DesktopIntentsService::activate()
{
    Q_EMIT requested(LaunchRequest{});
}

void DesktopIntentsService::activateAction(const QString& name, const QVariantList& parameter)
{
    const std::optional<QString> text = textParameter(parameter);
    if (name == actionName(LaunchRequest::Intent::openSection)) {
        if (!text || (*text != u"chat" && *text != u"search")) {
            qCWarning(lcDesktopIntents) << "open-section needs \"chat\" or \"search\"";
            return;
        }
        Q_EMIT requested(
            LaunchRequest{.intent = LaunchRequest::Intent::openSection, .argument = *text});
        return;
    }
    if (name == actionName(LaunchRequest::Intent::createNote)) {
        // A note without text is still a note: it opens the chat with nothing prefilled.
        if (!parameter.isEmpty() && !text) {
            qCWarning(lcDesktopIntents) << "create-note takes one text";
            return;
        }
        Q_EMIT requested(LaunchRequest{.intent = LaunchRequest::Intent::createNote,
                                       .argument = text.value_or(QString())});
        return;
    }
    qCWarning(lcDesktopIntents) << "unknown action" << name;
}

bool forwardToRunningInstance(QDBusConnection connection, const LaunchRequest& request)
{
    if (!connection.isConnected())
        return false;
    QDBusMessage call;
    if (request.intent == LaunchRequest::Intent::activate) {
        call = QDBusMessage::createMethodCall(
            DesktopIntentsService::serviceName, DesktopIntentsService::objectPath,
            DesktopIntentsService::interfaceName, QStringLiteral("Activate"));
        call << platformDataToForward();
    } else {
        call = QDBusMessage::createMethodCall(
            DesktopIntentsService::serviceName, DesktopIntentsService::objectPath,
            DesktopIntentsService::interfaceName, QStringLiteral("ActivateAction"));
        call << actionName(request.intent)
             << QVariantList{QVariant::fromValue(QDBusVariant(request.argument))}
             << platformDataToForward();
    }
    const QDBusMessage reply = connection.call(call, QDBus::Block, 5000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace korvane

#include "DesktopIntentsService.moc"
