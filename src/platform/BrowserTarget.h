// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/EnumText.h"

#include <QString>

#include <optional>

namespace korvane {

enum class BrowserStyle { safari, chromium };

template <>
struct EnumCases<BrowserStyle> {
    static constexpr std::array<EnumCase<BrowserStyle>, 2> cases{{
        {BrowserStyle::safari, u"safari"},
        {BrowserStyle::chromium, u"chromium"},
    }};
};

// One scriptable browser.
struct BrowserTarget {
    QString scriptName{};
    BrowserStyle style = BrowserStyle::chromium;
    // The running instance (0 when the desktop does not say) and its desktop file ID: two
    // copies of one browser may run, and only the one Korvane started can be driven.
    qint64 processId = 0;
    QString desktopId{};

    friend bool operator==(const BrowserTarget&, const BrowserTarget&) = default;
};

// Whether the browser path produced the final summary; a `notHandled` text is informative only.
struct BrowserClickResult {
    bool handled = false;
    QString text{};

    friend bool operator==(const BrowserClickResult&, const BrowserClickResult&) = default;
};

// Whether a browser took an address: when `handled` is false no browser Korvane drives was
// there to take it, and the desktop's own handler should.
struct BrowserOpenResult {
    bool handled = false;
    // Why the browser that took it could not open it.
    std::optional<QString> error{};

    friend bool operator==(const BrowserOpenResult&, const BrowserOpenResult&) = default;
};

} // namespace korvane
