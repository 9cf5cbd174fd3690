#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <chrono>
#include <optional>

namespace korvane {

// One xdg-desktop-portal request: listens on the request object the portal will answer on,
// then waits for its Response signal. Lives on the thread that waits (a local event loop).
class PortalRequest final : public QObject {
    Q_OBJECT

public:
    // The portal's answer: 0 granted, 1 cancelled by the person, 2 refused or failed.
    struct Response {
        uint code = 2;
        QVariantMap results{};
    };

    // Listens on the request path the portal derives from `token` and this connection's name.
    PortalRequest(QDBusConnection bus, const QString& token);
    ~PortalRequest() override;
    Q_DISABLE_COPY_MOVE(PortalRequest)

    // The path listened on; follow() moves to the one the portal's call returned, if other.
    QString path() const { return m_path; }
    void follow(const QString& handle);
    // Blocks in a local event loop; absent when no answer came in time (the request is then
    // closed, which takes any dialog it opened away).
    std::optional<Response> wait(std::chrono::milliseconds timeout);

private Q_SLOTS:
    void response(uint code, const QVariantMap& results);

private:
    void listen(bool on);

    QDBusConnection m_bus;
    QString m_path;
    std::optional<Response> m_response;
};

} // namespace korvane
