// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QPointF>
#include <QSizeF>
#include <QString>

#include <chrono>
#include <optional>
#include <variant>

namespace korvane {

// The remote-desktop interface of xdg-desktop-portal on the session bus: one session of
// keyboard and pointer (and, when asked, a screen-cast stream to place the pointer on), and
// the events sent into it. Blocking; one thread at a time.
class RemoteDesktopPortal final {
public:
    enum class Failure {
        // No portal, or one without the remote-desktop interface or keyboard and pointer.
        missing,
        // The person said no.
        declined,
        // Nobody answered the consent dialog in time.
        unanswered,
        // The portal refused for another reason.
        refused,
    };

    struct StartRequest {
        bool withScreenCast = false;
        // Given back by an earlier run; only portals of interface version 2 or later know it.
        QString restoreToken{};
        std::chrono::milliseconds consentTimeout{};
    };

    struct Session {
        QString handle{};
        // The monitor stream, when one was asked for and granted.
        std::optional<uint> stream{};
        QPointF streamPosition{};
        // To hand to the next run, when the portal gave one.
        QString restoreToken{};
    };

    explicit RemoteDesktopPortal(QDBusConnection bus);

    // The interface version, absent when there is no remote-desktop portal.
    std::optional<uint> version() const;
    // Starts a session: create, choose devices (persistently where the portal can), choose a
    // monitor, start (which may ask the person). Either a session or why not.
    std::variant<Session, Failure> start(const StartRequest& request) const;
    void close(const QString& session) const;

    // False when the portal did not take the event (the session went away).
    bool keysym(const QString& session, quint32 keysym, bool pressed) const;
    bool button(const QString& session, int linuxButton, bool pressed) const;
    bool moveTo(const Session& session, QPointF point) const;
    bool moveBy(const QString& session, QPointF delta) const;

private:
    bool notify(const QString& method, const QVariantList& arguments) const;

    QDBusConnection m_bus;
};

} // namespace korvane
