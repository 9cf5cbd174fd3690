// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/InstalledApplication.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace korvane {

// The installed applications. Every call reads the file system afresh and blocks, so callers
// run it off the main thread. Safe to call from any thread.
class ApplicationCatalog {
public:
    virtual ~ApplicationCatalog() = default;

    // The folders searched, in order of precedence.
    virtual QStringList applicationSearchDirectories() const = 0;
    // Every installed application in enumeration order.
    virtual QList<InstalledApplication> installedApplications() const = 0;
    // The application the desktop uses for a well-known role ("web browser"), or the entry with
    // that desktop-entry id.
    virtual std::optional<InstalledApplication> applicationForRole(const QString& role) const = 0;
    // The identifier of the application at `application`, when it has one.
    virtual std::optional<QString> desktopEntryId(const QUrl& application) const = 0;
};

} // namespace korvane
