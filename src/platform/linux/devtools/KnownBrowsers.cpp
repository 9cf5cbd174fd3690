#include "platform/linux/devtools/KnownBrowsers.h"

namespace korvane {

namespace {

BrowserTarget targetOf(const KnownBrowsers::Entry& entry)
{
    return {entry.scriptName, BrowserStyle::chromium};
}

} // namespace

const QList<KnownBrowsers::Entry>& KnownBrowsers::entries()
{
    // Built once; a function-local static is initialised thread-safely.
    static const QList<Entry> known{
        {u"chromium.desktop"_qs, {u"chromium"_qs, u"chromium-browser"_qs}, u"Chromium"_qs},
        {u"chromium-browser.desktop"_qs, {u"chromium-browser"_qs}, u"Chromium"_qs},
        {u"google-chrome.desktop"_qs, {u"google-chrome"_qs}, u"Google Chrome"_qs},
        {u"google-chrome-beta.desktop"_qs, {u"google-chrome-beta"_qs}, u"Google Chrome Beta"_qs},
        {u"google-chrome-unstable.desktop"_qs,
         {u"google-chrome-unstable"_qs},
         u"Google Chrome Dev"_qs},
        {u"brave-browser.desktop"_qs, {u"brave-browser"_qs}, u"Brave Browser"_qs},
        {u"microsoft-edge.desktop"_qs, {u"microsoft-edge"_qs}, u"Microsoft Edge"_qs},
        {u"vivaldi-stable.desktop"_qs, {u"vivaldi-stable"_qs, u"vivaldi"_qs}, u"Vivaldi"_qs},
    };
    return known;
}

std::optional<BrowserTarget> KnownBrowsers::target(const RunningApplication& application)
{
    if (application.bundleIdentifier) {
        for (const Entry& entry : entries()) {
            if (entry.desktopId == *application.bundleIdentifier)
                return targetOf(entry);
        }
    }
    // A browser installed without a desktop entry still names itself by its window class.
    const QString windowClass = application.name.toLower();
    if (windowClass.isEmpty())
        return std::nullopt;
    for (const Entry& entry : entries()) {
        if (entry.windowClasses.contains(windowClass))
            return targetOf(entry);
    }
    return std::nullopt;
}

bool KnownBrowsers::isKnownDesktopId(QStringView desktopId)
{
    for (const Entry& entry : entries()) {
        if (entry.desktopId == desktopId)
            return true;
    }
    return false;
}

} // namespace korvane
