// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/InstalledApplication.h"

#include <QList>
#include <QMap>
#include <QString>

#include <optional>

namespace korvane {

class ApplicationCatalog;

// The Linux application resolver. Turns a spoken application name into an installed application:
// the well-known table first (answered by the catalog), then the installed applications by exact
// normalized display name, then by containment. Reads the file system on every call; blocks.
class MacApplicationResolver final {
public:
    // Normalized spoken name → the catalog role (or desktop-entry id) that answers it.
    using KnownRoles = QMap<QString, QString>;

    explicit MacApplicationResolver(const ApplicationCatalog& catalog,
                                    KnownRoles known = defaultKnownRoles());

    std::optional<InstalledApplication> resolve(const QString& spokenName) const;

    // Lower case, ".app" removed, only letters, digits and white space kept, single spaces.
    static QString normalizedName(const QString& name);
    static KnownRoles defaultKnownRoles();

private:
    const ApplicationCatalog& m_catalog;
    KnownRoles m_known;
};

} // namespace korvane
