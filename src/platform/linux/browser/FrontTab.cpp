// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/browser/FrontTab.h"

namespace korvane {

FrontTab::Choice FrontTab::choose(const QList<State>& tabs)
{
    QList<qsizetype> visible;
    QList<qsizetype> focused;
    for (qsizetype i = 0; i < tabs.size(); ++i) {
        if (!tabs.at(i).visible)
            continue;
        visible.append(i);
        if (tabs.at(i).focused)
            focused.append(i);
    }
    if (visible.size() == 1)
        return {visible.first(), std::nullopt};
    if (focused.size() == 1)
        return {focused.first(), std::nullopt};
    return {std::nullopt, visible.isEmpty() ? Doubt::noneVisible : Doubt::severalVisible};
}

} // namespace korvane
