// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ApplicationCatalog.h"

#include <QHash>

namespace korvane::test {

// A fixed list of applications, read (never written) from the automation thread.
class FakeApplicationCatalog final : public ApplicationCatalog {
public:
    QList<InstalledApplication> installed{};
    // Well-known role → application.
    QHash<QString, InstalledApplication> byRole{};
    // Application URL → its desktop entry ID.
    QHash<QUrl, QString> identifiers{};

    QStringList applicationSearchDirectories() const override { return {}; }
    QList<InstalledApplication> installedApplications() const override { return installed; }
    std::optional<InstalledApplication> applicationForRole(const QString& role) const override
    {
        return byRole.contains(role) ? std::optional(byRole.value(role)) : std::nullopt;
    }
    std::optional<QString> desktopEntryId(const QUrl& application) const override
    {
        return identifiers.contains(application) ? std::optional(identifiers.value(application))
                                                 : std::nullopt;
    }
};

} // namespace korvane::test
