// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusError>
#include <QObject>
#include <QString>
#include <QStringList>

namespace korvane {

// The desktop portal's Background interface: how a sandboxed Korvane (Flatpak) asks to start at
// login, since it cannot write the autostart folder itself. Portals do not serve programs
// outside a sandbox, which write the XDG autostart entry instead.
class BackgroundPortal final : public QObject {
    Q_OBJECT

public:
    explicit BackgroundPortal(QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(BackgroundPortal)

    // Inside a Flatpak sandbox, with the portal's Background interface on the session bus.
    static bool isOffered();

    // Asks for (or gives up) starting at login with `commandLine`; answers with `answered`.
    void requestAutostart(bool autostart, const QStringList& commandLine);

Q_SIGNALS:
    // `granted` is the portal's word on autostart; `problem` a sentence when it refused or failed.
    void answered(bool granted, const QString& problem);

private Q_SLOTS:
    void handleResponse(uint response, const QVariantMap& results);
    void ignoreReply();
    void handleError(const QDBusError& error);

private:
    QString m_requestPath;
    bool m_wanted = false;
};

} // namespace korvane
