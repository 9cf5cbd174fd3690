// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/browser/KnownBrowsers.h"

namespace korvane {

const QList<KnownBrowsers::Entry>& KnownBrowsers::entries()
{
    using enum RemoteProtocol;
    // Built once; a function-local static is initialised thread-safely.
    static const QList<Entry> known{
        {u"chromium.desktop"_qs,
         {u"chromium"_qs, u"chromium-browser"_qs},
         u"Chromium"_qs,
         devTools},
        {u"chromium-browser.desktop"_qs, {u"chromium-browser"_qs}, u"Chromium"_qs, devTools},
        {u"google-chrome.desktop"_qs, {u"google-chrome"_qs}, u"Google Chrome"_qs, devTools},
        {u"google-chrome-beta.desktop"_qs,
         {u"google-chrome-beta"_qs},
         u"Google Chrome Beta"_qs,
         devTools},
        {u"google-chrome-unstable.desktop"_qs,
         {u"google-chrome-unstable"_qs},
         u"Google Chrome Dev"_qs,
         devTools},
        {u"brave-browser.desktop"_qs, {u"brave-browser"_qs}, u"Brave Browser"_qs, devTools},
        {u"microsoft-edge.desktop"_qs, {u"microsoft-edge"_qs}, u"Microsoft Edge"_qs, devTools},
        {u"vivaldi-stable.desktop"_qs,
         {u"vivaldi-stable"_qs, u"vivaldi"_qs},
         u"Vivaldi"_qs,
         devTools},
        {u"firefox-esr.desktop"_qs, {u"firefox-esr"_qs}, u"Firefox ESR"_qs, webDriverBiDi},
        {u"firefox.desktop"_qs, {u"firefox"_qs}, u"Firefox"_qs, webDriverBiDi},
    };
    return known;
}

std::optional<KnownBrowsers::Entry> KnownBrowsers::forDesktopId(QStringView desktopId)
{
    for (const Entry& entry : entries()) {
        if (entry.desktopId == desktopId)
            return entry;
    }
    return std::nullopt;
}

BrowserTarget KnownBrowsers::target(const Entry& entry, qint64 processId)
{
    // Firefox takes the second of the two script dialects the executor knows.
    const BrowserStyle style = entry.protocol == RemoteProtocol::webDriverBiDi
                                   ? BrowserStyle::safari
                                   : BrowserStyle::chromium;
    return {entry.scriptName, style, processId, entry.desktopId};
}

std::optional<BrowserTarget> KnownBrowsers::target(const RunningApplication& application)
{
    if (application.desktopEntryId) {
        if (const std::optional<Entry> entry = forDesktopId(*application.desktopEntryId))
            return target(*entry, application.processId);
    }
    // A browser installed without a desktop entry still names itself by its window class.
    const QString windowClass = application.name.toLower();
    if (windowClass.isEmpty())
        return std::nullopt;
    for (const Entry& entry : entries()) {
        if (entry.windowClasses.contains(windowClass))
            return target(entry, application.processId);
    }
    return std::nullopt;
}

QString KnownBrowsers::protocolName(RemoteProtocol protocol)
{
    return protocol == RemoteProtocol::webDriverBiDi ? u"bidi"_qs : u"devtools"_qs;
}

std::optional<RemoteProtocol> KnownBrowsers::protocolNamed(QStringView name)
{
    if (name == u"devtools")
        return RemoteProtocol::devTools;
    if (name == u"bidi")
        return RemoteProtocol::webDriverBiDi;
    return std::nullopt;
}

} // namespace korvane
