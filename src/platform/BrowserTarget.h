#pragma once

#include "core/EnumText.h"

#include <QString>

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

    friend bool operator==(const BrowserTarget&, const BrowserTarget&) = default;
};

// Whether the browser path produced the final summary; a `notHandled` text is informative only.
struct BrowserClickResult {
    bool handled = false;
    QString text{};

    friend bool operator==(const BrowserClickResult&, const BrowserClickResult&) = default;
};

} // namespace korvane
