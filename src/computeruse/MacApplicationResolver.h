#pragma once

#include "platform/ResolvedMacApplication.h"

#include <QList>
#include <QMap>
#include <QString>

#include <optional>

namespace korvane {

class ApplicationCatalog;

// Turns a spoken application name into an installed application: the well-known table first
// (answered by the catalog), then the installed applications by exact normalized display name,
// then by containment. Reads the file system on every call; blocks.
class MacApplicationResolver final {
public:
    // Normalized spoken name → bundle identifier.
    using KnownBundleIdentifiers = QMap<QString, QString>;

    explicit MacApplicationResolver(const ApplicationCatalog& catalog,
                                    KnownBundleIdentifiers known = defaultKnownBundleIdentifiers());

    std::optional<ResolvedMacApplication> resolve(const QString& spokenName) const;

    // Lower case, ".app" removed, only letters, digits and white space kept, single spaces.
    static QString normalizedName(const QString& name);
    static KnownBundleIdentifiers defaultKnownBundleIdentifiers();

    const KnownBundleIdentifiers& knownBundleIdentifiers() const { return m_known; }

private:
    const ApplicationCatalog& m_catalog;
    KnownBundleIdentifiers m_known;
};

} // namespace korvane
