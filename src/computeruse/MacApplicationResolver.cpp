#include "computeruse/MacApplicationResolver.h"

#include "platform/ApplicationCatalog.h"

#include <algorithm>

namespace korvane {

MacApplicationResolver::MacApplicationResolver(const ApplicationCatalog& catalog,
                                               KnownBundleIdentifiers known)
    : m_catalog(catalog)
    , m_known(std::move(known))
{
}

MacApplicationResolver::KnownBundleIdentifiers
MacApplicationResolver::defaultKnownBundleIdentifiers()
{
    return {
        {QStringLiteral("app store"), QStringLiteral("com.apple.AppStore")},
        {QStringLiteral("automator"), QStringLiteral("com.apple.Automator")},
        {QStringLiteral("books"), QStringLiteral("com.apple.iBooksX")},
        // Linux has no Safari: all three name the default browser, whichever it is.
        {QStringLiteral("browser"), QStringLiteral("com.apple.Safari")},
        {QStringLiteral("calculator"), QStringLiteral("com.apple.calculator")},
        {QStringLiteral("calendar"), QStringLiteral("com.apple.iCal")},
        {QStringLiteral("contacts"), QStringLiteral("com.apple.AddressBook")},
        {QStringLiteral("facetime"), QStringLiteral("com.apple.FaceTime")},
        {QStringLiteral("finder"), QStringLiteral("com.apple.finder")},
        {QStringLiteral("freeform"), QStringLiteral("com.apple.freeform")},
        {QStringLiteral("garageband"), QStringLiteral("com.apple.garageband10")},
        {QStringLiteral("keynote"), QStringLiteral("com.apple.iWork.Keynote")},
        {QStringLiteral("mail"), QStringLiteral("com.apple.mail")},
        {QStringLiteral("maps"), QStringLiteral("com.apple.Maps")},
        {QStringLiteral("messages"), QStringLiteral("com.apple.MobileSMS")},
        {QStringLiteral("music"), QStringLiteral("com.apple.Music")},
        {QStringLiteral("notes"), QStringLiteral("com.apple.Notes")},
        {QStringLiteral("numbers"), QStringLiteral("com.apple.iWork.Numbers")},
        {QStringLiteral("pages"), QStringLiteral("com.apple.iWork.Pages")},
        {QStringLiteral("photos"), QStringLiteral("com.apple.Photos")},
        {QStringLiteral("podcasts"), QStringLiteral("com.apple.podcasts")},
        {QStringLiteral("preview"), QStringLiteral("com.apple.Preview")},
        {QStringLiteral("quicktime player"), QStringLiteral("com.apple.QuickTimePlayerX")},
        {QStringLiteral("reminders"), QStringLiteral("com.apple.reminders")},
        {QStringLiteral("safari"), QStringLiteral("com.apple.Safari")},
        {QStringLiteral("settings"), QStringLiteral("com.apple.systempreferences")},
        {QStringLiteral("system settings"), QStringLiteral("com.apple.systempreferences")},
        {QStringLiteral("terminal"), QStringLiteral("com.apple.Terminal")},
        {QStringLiteral("textedit"), QStringLiteral("com.apple.TextEdit")},
        {QStringLiteral("tv"), QStringLiteral("com.apple.TV")},
        {QStringLiteral("web browser"), QStringLiteral("com.apple.Safari")},
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

std::optional<ResolvedMacApplication>
MacApplicationResolver::resolve(const QString& spokenName) const
{
    const QString key = normalizedName(spokenName);
    // An empty key is contained in every name and would open whichever application comes first.
    if (key.isEmpty())
        return std::nullopt;

    if (const auto known = m_known.constFind(key); known != m_known.cend()) {
        if (std::optional<ResolvedMacApplication> application =
                m_catalog.applicationForBundleIdentifier(*known)) {
            if (application->displayName.isEmpty())
                application->displayName = spokenName;
            return application;
        }
    }

    QList<ResolvedMacApplication> sorted = m_catalog.installedApplications();
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const ResolvedMacApplication& a, const ResolvedMacApplication& b) {
                         return QString::localeAwareCompare(a.displayName.toLower(),
                                                            b.displayName.toLower()) < 0;
                     });
    for (const ResolvedMacApplication& application : std::as_const(sorted)) {
        if (normalizedName(application.displayName) == key)
            return application;
    }

    // The second pass reads the folders again, in enumeration order.
    const QList<ResolvedMacApplication> installed = m_catalog.installedApplications();
    for (const ResolvedMacApplication& application : installed) {
        if (normalizedName(application.displayName).contains(key))
            return application;
    }
    return std::nullopt;
}

} // namespace korvane
