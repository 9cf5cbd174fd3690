// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/GlobalShortcut.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QVariantMap>

#include <optional>

namespace korvane {

// A global shortcut through the desktop's GlobalShortcuts portal (xdg-desktop-portal), the way
// Wayland desktops let a program have one: the desktop asks the person to confirm the binding
// and may give it other keys, and reports when it goes down and up.
class PortalGlobalShortcut final : public QObject, public GlobalShortcut {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PortalGlobalShortcut)

public:
    static inline const QString shortcutId = QStringLiteral("hold-to-talk");

    explicit PortalGlobalShortcut(QDBusConnection bus = QDBusConnection::sessionBus(),
                                  QObject* parent = nullptr);
    ~PortalGlobalShortcut() override;

    QCoro::Task<bool> isOffered() override;
    QCoro::Task<Outcome> bind(QString keys) override;
    void unbind() override;

private Q_SLOTS:
    void shortcutChanged(const QDBusMessage& message);

private:
    struct Reply {
        uint response = 2;
        QVariantMap results{};
    };
    // Calls `method` on the portal and waits for its request's answer; absent when the call
    // itself failed (`error` then says why).
    QCoro::Task<std::optional<Reply>> request(QString method, QVariantList arguments, QString token,
                                              QString* error);
    QString nextToken();
    void listen();

    QDBusConnection m_bus;
    QString m_session{};
    bool m_down = false;
    bool m_listening = false;
    int m_tokens = 0;
};

} // namespace korvane
