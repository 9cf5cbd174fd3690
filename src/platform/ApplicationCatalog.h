#pragma once

#include "platform/ResolvedMacApplication.h"

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
    virtual QList<ResolvedMacApplication> installedApplications() const = 0;
    // The application the desktop associates with a well-known bundle identifier.
    virtual std::optional<ResolvedMacApplication>
    applicationForBundleIdentifier(const QString& bundleIdentifier) const = 0;
    // The identifier of the application at `application`, when it has one.
    virtual std::optional<QString> bundleIdentifier(const QUrl& application) const = 0;
};

} // namespace korvane
