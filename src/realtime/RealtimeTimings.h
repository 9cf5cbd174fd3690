#pragma once

#include <chrono>
#include <functional>

namespace korvane {

// The realtime session's waits, and the clock it reads; tests shorten the waits and drive the
// clock.
struct RealtimeTimings {
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // A session with neither speech nor answers closes itself after this long.
    std::chrono::milliseconds idleDisconnect{60'000};
    // Microphone audio stays held back this long after a voice answer ends.
    std::chrono::milliseconds speakingHold{600};
    // A speech start this soon after local feedback finished keeps the tool-call mark.
    std::chrono::milliseconds feedbackSuppression{350};
    std::chrono::milliseconds pingInterval{15'000};
    // The opening handshake gives up after this long.
    std::chrono::milliseconds handshakeTimeout{60'000};
    // Empty means std::chrono::steady_clock::now.
    Clock clock{};
};

} // namespace korvane
