#include "platform/linux/mpris/DBusMprisBus.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QLoggingCategory>
#include <QVariantMap>
#include <qcoro/qcorodbus.h>

namespace korvane {

namespace {

Q_LOGGING_CATEGORY(lcMprisBus, "korvane.platform.mpris.bus", QtInfoMsg)

QVariantMap propertyMap(const QDBusMessage& reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    const QVariant first = reply.arguments().constFirst();
    if (first.canConvert<QDBusArgument>())
        return qdbus_cast<QVariantMap>(first.value<QDBusArgument>());
    return first.toMap();
}

QDBusMessage getAll(const QString& service, const QString& interface)
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        service, MprisBus::objectPath(), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("GetAll"));
    message.setArguments({interface});
    return message;
}

} // namespace

DBusMprisBus::DBusMprisBus() = default;

DBusMprisBus::DBusMprisBus(QDBusConnection connection)
    : m_connection(std::move(connection))
{
}

QDBusConnection DBusMprisBus::connection() const
{
    return m_connection ? *m_connection : QDBusConnection::sessionBus();
}

QCoro::Task<QList<MprisPlayer>> DBusMprisBus::players()
{
    QDBusConnection bus = connection();
    if (!bus.isConnected())
        co_return {};
    const QDBusMessage listNames = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListNames"));
    QDBusPendingCall listing = bus.asyncCall(listNames, callTimeoutMs);
    const QDBusMessage names = co_await listing;
    if (names.type() != QDBusMessage::ReplyMessage || names.arguments().isEmpty()) {
        qCWarning(lcMprisBus) << "could not list bus names:" << names.errorMessage();
        co_return {};
    }
    QStringList services;
    for (const QString& name : names.arguments().constFirst().toStringList()) {
        if (name.startsWith(servicePrefix()))
            services.append(name);
    }
    services.sort();

    // Every question goes out before the first answer is awaited.
    QList<QDBusPendingCall> rootCalls;
    QList<QDBusPendingCall> playerCalls;
    for (const QString& service : std::as_const(services)) {
        rootCalls.append(bus.asyncCall(getAll(service, rootInterface()), callTimeoutMs));
        playerCalls.append(bus.asyncCall(getAll(service, playerInterface()), callTimeoutMs));
    }
    QList<MprisPlayer> players;
    for (qsizetype i = 0; i < services.size(); ++i) {
        QDBusPendingCall rootCall = rootCalls.at(i);
        const QDBusMessage rootReply = co_await rootCall;
        QDBusPendingCall playerCall = playerCalls.at(i);
        const QDBusMessage playerReply = co_await playerCall;
        if (playerReply.type() != QDBusMessage::ReplyMessage) {
            qCDebug(lcMprisBus) << services.at(i)
                                << "did not answer:" << playerReply.errorMessage();
            continue;
        }
        const QVariantMap root = propertyMap(rootReply);
        const QVariantMap player = propertyMap(playerReply);
        players.append({services.at(i), root.value(QStringLiteral("Identity")).toString(),
                        root.value(QStringLiteral("DesktopEntry")).toString(),
                        player.value(QStringLiteral("PlaybackStatus")).toString(),
                        player.value(QStringLiteral("CanControl")).toBool(),
                        root.value(QStringLiteral("HasTrackList")).toBool()});
    }
    co_return players;
}

QCoro::Task<std::optional<QString>> DBusMprisBus::call(QString service, QString interface,
                                                       QString method, QVariantList arguments)
{
    QDBusConnection bus = connection();
    if (!bus.isConnected())
        co_return bus.lastError().message();
    QDBusMessage message = QDBusMessage::createMethodCall(service, objectPath(), interface, method);
    message.setArguments(arguments);
    QDBusPendingCall pending = bus.asyncCall(message, callTimeoutMs);
    const QDBusMessage reply = co_await pending;
    if (reply.type() == QDBusMessage::ReplyMessage)
        co_return std::nullopt;
    qCDebug(lcMprisBus) << method << "on" << service << "failed:" << reply.errorName();
    co_return reply.errorMessage();
}

} // namespace korvane
