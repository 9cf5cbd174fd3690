// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/EnumText.h"

namespace korvane {

// The section the main window shows, and where an intent route leads.
enum class SidebarSection { chat, search };

template <>
struct EnumCases<SidebarSection> {
    static constexpr std::array<EnumCase<SidebarSection>, 2> cases{{
        {SidebarSection::chat, u"chat"},
        {SidebarSection::search, u"search"},
    }};
};

} // namespace korvane
