// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/EnumText.h"

namespace korvane {

enum class AssistantProviderKind { openAI, appleFoundationModels };

template <>
struct EnumCases<AssistantProviderKind> {
    static constexpr std::array<EnumCase<AssistantProviderKind>, 2> cases{{
        {AssistantProviderKind::openAI, u"openAI"},
        {AssistantProviderKind::appleFoundationModels, u"appleFoundationModels"},
    }};
};

// The name the settings window shows for a provider.
QString displayName(AssistantProviderKind kind);

} // namespace korvane
