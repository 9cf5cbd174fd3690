// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ApplicationCatalog.h"
#include "platform/linux/xdg/DesktopEntry.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace korvane {

// Installed applications as XDG desktop entries: $XDG_DATA_HOME/applications, then each
// $XDG_DATA_DIRS/applications. A desktop file ID found earlier hides the same ID later, as
// the XDG rules say. Well-known roles ("web browser") are answered through the desktop's
// defaults (xdg-settings, xdg-mime) and common desktop IDs.
class XdgApplicationCatalog final : public ApplicationCatalog {
public:
    struct Role {
        QString role{};
        // `xdg-settings get` property, tried first.
        QString setting{};
        // `xdg-mime query default` types, tried next.
        QStringList mimeTypes{};
        // Tried last, in order.
        QStringList commonDesktopIds{};
    };

    QStringList applicationSearchDirectories() const override;
    QList<InstalledApplication> installedApplications() const override;
    std::optional<InstalledApplication> applicationForRole(const QString& role) const override;
    std::optional<QString> desktopEntryId(const QUrl& application) const override;

    // Every launchable entry in enumeration order, shadowed IDs removed.
    QList<DesktopEntry> desktopEntries() const;
    std::optional<DesktopEntry> entryForId(const QString& desktopId) const;
    std::optional<DesktopEntry> entryAt(const QUrl& application) const;

    static QList<Role> roles();
    static inline constexpr int maximumDepth = 2;
};

} // namespace korvane
