// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/atspi/AtspiActivationHistory.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QLoggingCategory>
#include <QUuid>

namespace korvane {

Q_LOGGING_CATEGORY(lcActivations, "korvane.atspi.activations")

namespace {

constexpr int busTimeoutMs = 2000;
// Enough to look back past Korvane's own window and a dialog or two.
constexpr qsizetype remembered = 16;

QString accessibilityBusAddress()
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
        QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"));
    const QDBusReply<QString> reply =
        QDBusConnection::sessionBus().call(call, QDBus::Block, busTimeoutMs);
    return reply.isValid() ? reply.value() : QString();
}

} // namespace

AtspiActivationHistory::AtspiActivationHistory(QObject* parent)
    : QObject(parent)
    , m_connectionName(QStringLiteral("korvane-activations-") + QUuid::createUuid().toString())
{
    const QString address = accessibilityBusAddress();
    if (address.isEmpty())
        return;
    QDBusConnection bus = QDBusConnection::connectToBus(address, m_connectionName);
    if (!bus.isConnected())
        return;
    // Toolkits only send the events someone asked the registry for.
    QDBusMessage registration = QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("/org/a11y/atspi/registry"),
        QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("RegisterEvent"));
    registration << QStringLiteral("window:activate") << QStringList() << QString();
    bus.call(registration, QDBus::NoBlock);
    if (!bus.connect(QString(), QString(), QStringLiteral("org.a11y.atspi.Event.Window"),
                     QStringLiteral("Activate"), this, SLOT(windowActivated(QDBusMessage))))
        qCWarning(lcActivations) << "window activations cannot be followed";
}

AtspiActivationHistory::~AtspiActivationHistory()
{
    QDBusConnection::disconnectFromBus(m_connectionName);
}

void AtspiActivationHistory::windowActivated(const QDBusMessage& message)
{
    QDBusConnection bus(m_connectionName);
    const QDBusReply<uint> owner = bus.interface()->servicePid(message.service());
    if (!owner.isValid() || owner.value() == 0)
        return;
    const qint64 processId = owner.value();
    m_recent.removeAll(processId);
    m_recent.prepend(processId);
    if (m_recent.size() > remembered)
        m_recent.removeLast();
}

} // namespace korvane
