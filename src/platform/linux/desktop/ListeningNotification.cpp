// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/desktop/ListeningNotification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace korvane {

namespace {

constexpr int shownMs = 8000;

} // namespace

void ListeningNotification::show()
{
    QDBusMessage notify = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("com.korva.Korvane")},
                            {QStringLiteral("urgency"), QVariant::fromValue(uchar(1))}};
    notify << QStringLiteral("Korvane") << m_lastId << QStringLiteral("com.korva.Korvane")
           << QStringLiteral("Korvane is listening")
           << QStringLiteral("Say what you need. Click here to bring Korvane's window forward.")
           << QStringList() << hints << shownMs;
    // Never waited for: a desktop without a notification service just shows nothing.
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(notify));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [this, watcher] {
        const QDBusPendingReply<uint> reply = *watcher;
        if (reply.isValid())
            m_lastId = reply.value();
        watcher->deleteLater();
    });
}

} // namespace korvane
