// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/AppIntentResult.h"
#include "core/EnumText.h"

#include <optional>

namespace korvane {

class AppIntentRouter;

// The section parameter as the system offers it.
enum class KorvaneSectionIntentValue { chat, search };

template <>
struct EnumCases<KorvaneSectionIntentValue> {
    static constexpr std::array<EnumCase<KorvaneSectionIntentValue>, 2> cases{{
        {KorvaneSectionIntentValue::chat, u"chat"},
        {KorvaneSectionIntentValue::search, u"search"},
    }};
};

// "Chat", "Search".
QString displayName(KorvaneSectionIntentValue value);
// "Korvane Section".
QString sectionIntentValueTypeDisplayName();

// "Open Korvane Section": shows a section. Opens the program when run.
struct OpenKorvaneSectionIntent {
    static QString title();
    static QString sectionParameterTitle();

    // No default: the system asks for it.
    std::optional<KorvaneSectionIntentValue> section{};

    // Main thread. Leaves a route without text; returns an empty result.
    AppIntentResult perform(AppIntentRouter& router) const;
    AppIntentResult perform() const;
};

} // namespace korvane
