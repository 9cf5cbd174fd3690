// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/MacApplicationResolver.h"

#include "platform/ApplicationCatalog.h"

#include <algorithm>

namespace korvane {

MacApplicationResolver::MacApplicationResolver(const ApplicationCatalog& catalog, KnownRoles known)
    : m_catalog(catalog)
    , m_known(std::move(known))
{
}

MacApplicationResolver::KnownRoles MacApplicationResolver::defaultKnownRoles()
{
    return {
        {QStringLiteral("app store"), QStringLiteral("software centre")},
        {QStringLiteral("automator"), QStringLiteral("automation")},
        {QStringLiteral("books"), QStringLiteral("e-book reader")},
        // Linux has no Safari: all three name the default browser, whichever it is.
        {QStringLiteral("browser"), QStringLiteral("web browser")},
        {QStringLiteral("calculator"), QStringLiteral("calculator")},
        {QStringLiteral("calendar"), QStringLiteral("calendar")},
        {QStringLiteral("contacts"), QStringLiteral("contacts")},
        {QStringLiteral("facetime"), QStringLiteral("video calls")},
        {QStringLiteral("finder"), QStringLiteral("file manager")},
        {QStringLiteral("freeform"), QStringLiteral("whiteboard")},
        {QStringLiteral("garageband"), QStringLiteral("music studio")},
        {QStringLiteral("keynote"), QStringLiteral("presentations")},
        {QStringLiteral("mail"), QStringLiteral("mail")},
        {QStringLiteral("maps"), QStringLiteral("maps")},
        {QStringLiteral("messages"), QStringLiteral("messages")},
        {QStringLiteral("music"), QStringLiteral("music player")},
        {QStringLiteral("notes"), QStringLiteral("notes")},
        {QStringLiteral("numbers"), QStringLiteral("spreadsheet")},
        {QStringLiteral("pages"), QStringLiteral("word processor")},
        {QStringLiteral("photos"), QStringLiteral("photos")},
        {QStringLiteral("podcasts"), QStringLiteral("podcasts")},
        {QStringLiteral("preview"), QStringLiteral("document viewer")},
        {QStringLiteral("quicktime player"), QStringLiteral("video player")},
        {QStringLiteral("reminders"), QStringLiteral("to-do list")},
        {QStringLiteral("safari"), QStringLiteral("web browser")},
        {QStringLiteral("settings"), QStringLiteral("settings")},
        {QStringLiteral("system settings"), QStringLiteral("settings")},
        {QStringLiteral("terminal"), QStringLiteral("terminal")},
        {QStringLiteral("textedit"), QStringLiteral("text editor")},
        {QStringLiteral("tv"), QStringLiteral("video player")},
        {QStringLiteral("web browser"), QStringLiteral("web browser")},
    };
}

QString MacApplicationResolver::normalizedName(const QString& name)
{
    QString lower = name.toLower();
    lower.remove(QStringLiteral(".app"));
    QString kept;
    kept.reserve(lower.size());
    for (const QChar c : std::as_const(lower)) {
        if (c.isLetterOrNumber() || c.isSpace())
            kept.append(c);
    }
    // Only the space character separates words; other white space stays inside a piece.
    return kept.split(u' ', Qt::SkipEmptyParts).join(u' ');
}

std::optional<InstalledApplication> MacApplicationResolver::resolve(const QString& spokenName) const
{
    const QString key = normalizedName(spokenName);
    // An empty key is contained in every name and would open whichever application comes first.
    if (key.isEmpty())
        return std::nullopt;

    if (const auto known = m_known.constFind(key); known != m_known.cend()) {
        if (std::optional<InstalledApplication> application =
                m_catalog.applicationForRole(*known)) {
            if (application->displayName.isEmpty())
                application->displayName = spokenName;
            return application;
        }
    }

    QList<InstalledApplication> sorted = m_catalog.installedApplications();
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const InstalledApplication& a, const InstalledApplication& b) {
                         return QString::localeAwareCompare(a.displayName.toLower(),
                                                            b.displayName.toLower()) < 0;
                     });
    for (const InstalledApplication& application : std::as_const(sorted)) {
        if (normalizedName(application.displayName) == key)
            return application;
    }

    // The second pass reads the folders again, in enumeration order.
    const QList<InstalledApplication> installed = m_catalog.installedApplications();
    for (const InstalledApplication& application : installed) {
        if (normalizedName(application.displayName).contains(key))
            return application;
    }
    return std::nullopt;
}

} // namespace korvane
