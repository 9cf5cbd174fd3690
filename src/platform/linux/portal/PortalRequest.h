// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QString>
#include <QVariantMap>

#include <chrono>
#include <memory>
#include <optional>

namespace korvane {

class PortalResponseListener;

// One xdg-desktop-portal request: listens on the request object the portal will answer on,
// then waits for its Response signal. The waiting thread blocks; the answer is taken in by
// an object on the application's main thread, which must go on serving its events (Qt D-Bus
// hands a worker thread's signals over only when it next reads the bus).
class PortalRequest final {
public:
    // The portal's answer: 0 granted, 1 cancelled by the person, 2 refused or failed.
    struct Response {
        uint code = 2;
        QVariantMap results{};
    };

    // Listens on the request path the portal derives from `token` and this connection's name,
    // for signals of the portal's connection `portal` (its unique name: a well-known name
    // would match nothing while the bus still starts the portal).
    PortalRequest(QDBusConnection bus, const QString& portal, const QString& token);
    ~PortalRequest();
    Q_DISABLE_COPY_MOVE(PortalRequest)

    // Moves to the path the portal's call returned, if it is another.
    void follow(const QString& handle);
    // Blocks; absent when no answer came in time (the request is then closed, which takes any
    // dialog it opened away).
    std::optional<Response> wait(std::chrono::milliseconds timeout);

private:
    void listen(bool on);

    QDBusConnection m_bus;
    QString m_portal;
    QString m_path;
    PortalResponseListener* m_listener;
};

} // namespace korvane
