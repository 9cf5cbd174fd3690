#pragma once

#include "core/EnumText.h"

namespace korvane {

// The realtime session's state, as the service reports it and the model publishes it.
enum class RealtimeVoiceState { idle, connecting, recording, speaking, failed };

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
