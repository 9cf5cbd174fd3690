// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>
#include <QUrl>

#include <optional>

namespace korvane {

// Where to go instead of clicking, when the page holds no element of that name: a section of
// the configured site by its navigation word, else /slug/ on the tab's own site.
class NavigationFallback final {
public:
    // The section path for a navigation phrase of the configured site ("tv home" → "tv-home/").
    static std::optional<QString> configuredSitePath(QStringView phrase);
    // One to three pieces of at least two letters or digits each.
    static bool isSimpleNavigationTarget(QStringView phrase);
    // The pieces joined by "-"; absent when there are none.
    static std::optional<QString> slug(QStringView phrase);
    // Lower case, "&" as a space, only letters, digits and whitespace kept, single spaces.
    static QString phrase(QStringView name);
    // Lower case without a leading "www.".
    static QString siteHost(QStringView host);
    // The address to open instead of clicking `name` on the tab showing `tabAddress`;
    // `configuredSite` is the host of the site whose sections configuredSitePath knows.
    static std::optional<QUrl> url(QStringView tabAddress, QStringView name,
                                   QStringView configuredSite);
};

} // namespace korvane
