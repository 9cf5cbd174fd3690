// SPDX-License-Identifier: GPL-3.0-or-later
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

QDBusMessage busMethod(const QString& method, const QVariantList& arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), method);
    message.setArguments(arguments);
    return message;
}

// The three questions about one player, asked together.
struct PendingPlayer {
    QString service;
    QDBusPendingCall root;
    QDBusPendingCall player;
    QDBusPendingCall owner;
};

PendingPlayer ask(QDBusConnection& bus, const QString& service)
{
    return {
        service,
        bus.asyncCall(getAll(service, MprisBus::rootInterface()), DBusMprisBus::callTimeoutMs),
        bus.asyncCall(getAll(service, MprisBus::playerInterface()), DBusMprisBus::callTimeoutMs),
        bus.asyncCall(busMethod(QStringLiteral("GetConnectionUnixProcessID"), {service}),
                      DBusMprisBus::callTimeoutMs)};
}

QString metadataText(const QVariantMap& metadata, const QString& key)
{
    const QVariant value = metadata.value(key);
    // xesam:url is a string; a player may also send it as a list of one.
    if (value.canConvert<QDBusArgument>())
        return qdbus_cast<QStringList>(value.value<QDBusArgument>()).value(0);
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().value(0);
    return value.toString();
}

QCoro::Task<std::optional<MprisPlayer>> answer(PendingPlayer question)
{
    const QDBusMessage rootReply = co_await question.root;
    const QDBusMessage playerReply = co_await question.player;
    const QDBusMessage ownerReply = co_await question.owner;
    if (playerReply.type() != QDBusMessage::ReplyMessage) {
        qCDebug(lcMprisBus) << question.service << "did not answer:" << playerReply.errorMessage();
        co_return std::nullopt;
    }
    const QVariantMap root = propertyMap(rootReply);
    const QVariantMap player = propertyMap(playerReply);
    QVariantMap metadata;
    if (const QVariant value = player.value(QStringLiteral("Metadata"));
        value.canConvert<QDBusArgument>())
        metadata = qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
    else
        metadata = value.toMap();
    MprisPlayer found{question.service,
                      root.value(QStringLiteral("Identity")).toString(),
                      root.value(QStringLiteral("DesktopEntry")).toString(),
                      player.value(QStringLiteral("PlaybackStatus")).toString(),
                      player.value(QStringLiteral("CanControl")).toBool(),
                      root.value(QStringLiteral("HasTrackList")).toBool()};
    found.trackUrl = metadataText(metadata, QStringLiteral("xesam:url"));
    found.trackTitle = metadataText(metadata, QStringLiteral("xesam:title"));
    if (ownerReply.type() == QDBusMessage::ReplyMessage && !ownerReply.arguments().isEmpty())
        found.processId = ownerReply.arguments().constFirst().toLongLong();
    co_return found;
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
    const QDBusMessage listNames = busMethod(QStringLiteral("ListNames"), {});
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
    QList<PendingPlayer> pending;
    for (const QString& service : std::as_const(services))
        pending.append(ask(bus, service));
    QList<MprisPlayer> players;
    for (PendingPlayer& question : pending) {
        // Named first: GCC 12 destroys temporaries of a co_await expression twice.
        auto answering = answer(std::move(question));
        std::optional<MprisPlayer> found = co_await std::move(answering);
        if (!found)
            continue;
        // VLC, for one, owns a second name for the same player.
        const bool listed =
            found->processId > 0 &&
            std::any_of(players.cbegin(), players.cend(), [&](const MprisPlayer& known) {
                return known.processId == found->processId;
            });
        if (!listed)
            players.append(std::move(*found));
    }
    co_return players;
}

QCoro::Task<std::optional<MprisPlayer>> DBusMprisBus::player(QString service)
{
    QDBusConnection bus = connection();
    if (!bus.isConnected())
        co_return std::nullopt;
    auto answering = answer(ask(bus, service));
    std::optional<MprisPlayer> found = co_await std::move(answering);
    co_return found;
}

QCoro::Task<Outcome> DBusMprisBus::call(QString service, QString interface, QString method,
                                        QVariantList arguments)
{
    QDBusConnection bus = connection();
    if (!bus.isConnected())
        co_return Outcome::failure(bus.lastError().message());
    QDBusMessage message = QDBusMessage::createMethodCall(service, objectPath(), interface, method);
    message.setArguments(arguments);
    QDBusPendingCall pending = bus.asyncCall(message, callTimeoutMs);
    const QDBusMessage reply = co_await pending;
    if (reply.type() == QDBusMessage::ReplyMessage)
        co_return Outcome::success();
    qCDebug(lcMprisBus) << method << "on" << service << "failed:" << reply.errorName();
    co_return Outcome::failure(reply.errorMessage());
}

} // namespace korvane
