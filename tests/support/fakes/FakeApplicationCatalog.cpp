#include "fakes/FakeApplicationCatalog.h"

namespace korvane::test {

QStringList FakeApplicationCatalog::applicationSearchDirectories() const
{
    return {};
}

QList<ResolvedMacApplication> FakeApplicationCatalog::installedApplications() const
{
    const QMutexLocker locker(&m_mutex);
    ++m_installedCalls;
    return installed;
}

std::optional<ResolvedMacApplication>
FakeApplicationCatalog::applicationForBundleIdentifier(const QString& bundleIdentifier) const
{
    const auto found = byBundleIdentifier.constFind(bundleIdentifier);
    if (found == byBundleIdentifier.cend())
        return std::nullopt;
    return *found;
}

std::optional<QString> FakeApplicationCatalog::bundleIdentifier(const QUrl& application) const
{
    const auto found = identifiers.constFind(application);
    if (found == identifiers.cend())
        return std::nullopt;
    return *found;
}

int FakeApplicationCatalog::installedApplicationsCalls() const
{
    const QMutexLocker locker(&m_mutex);
    return m_installedCalls;
}

} // namespace korvane::test
