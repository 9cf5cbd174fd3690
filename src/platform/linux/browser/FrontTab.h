// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>

#include <optional>

namespace korvane {

// Which tab the person sees: the one visible tab, or among several visible ones (one per
// window) the one whose window has the focus. Anything else cannot be told apart.
class FrontTab final {
public:
    struct State {
        bool visible = false;
        bool focused = false;
    };
    enum class Doubt {
        // No tab is visible: the windows are minimized or the browser shows none.
        noneVisible,
        // Several windows show a tab and none of them has the focus.
        severalVisible,
    };
    struct Choice {
        std::optional<qsizetype> index{};
        std::optional<Doubt> doubt{};
    };

    static Choice choose(const QList<State>& tabs);
};

} // namespace korvane
