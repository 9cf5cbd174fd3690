// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakeApplicationCatalog.h"

namespace korvane::test {

QStringList FakeApplicationCatalog::applicationSearchDirectories() const
{
    return {};
}

QList<InstalledApplication> FakeApplicationCatalog::installedApplications() const
{
    return installed;
}

std::optional<InstalledApplication>
FakeApplicationCatalog::applicationForRole(const QString& role) const
{
    const auto found = byRole.constFind(role);
    if (found == byRole.cend())
        return std::nullopt;
    return *found;
}

std::optional<QString> FakeApplicationCatalog::desktopEntryId(const QUrl& application) const
{
    const auto found = identifiers.constFind(application);
    if (found == identifiers.cend())
        return std::nullopt;
    return *found;
}

} // namespace korvane::test
