// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/EnumText.h"
#include "core/Enumerations.h"

namespace korvane {

template <>
struct EnumCases<RealtimeVoiceState> {
    static constexpr std::array<EnumCase<RealtimeVoiceState>, 5> cases{{
        {RealtimeVoiceState::idle, u"idle"},
        {RealtimeVoiceState::connecting, u"connecting"},
        {RealtimeVoiceState::recording, u"recording"},
        {RealtimeVoiceState::speaking, u"speaking"},
        {RealtimeVoiceState::failed, u"failed"},
    }};
};

} // namespace korvane
