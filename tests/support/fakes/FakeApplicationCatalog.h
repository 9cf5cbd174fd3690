// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ApplicationCatalog.h"

#include <QHash>

namespace korvane::test {

// A fixed list of applications, read (never written) from the automation thread.
class FakeApplicationCatalog final : public ApplicationCatalog {
public:
    QList<InstalledApplication> installed{};
    // Well-known bundle identifier → application.
    QHash<QString, InstalledApplication> byRole{};
    // Application URL → its identifier.
    QHash<QUrl, QString> identifiers{};

    QStringList applicationSearchDirectories() const override;
    QList<InstalledApplication> installedApplications() const override;
    std::optional<InstalledApplication> applicationForRole(const QString& role) const override;
    std::optional<QString> desktopEntryId(const QUrl& application) const override;
};

} // namespace korvane::test
