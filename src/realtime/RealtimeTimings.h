// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>

namespace korvane {

// The realtime session's waits and bounds, and the clock it reads; tests shorten the waits,
// shrink the bounds and drive the clock.
struct RealtimeTimings {
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // A session with neither speech nor answers closes itself after this long.
    std::chrono::milliseconds idleDisconnect{60'000};
    // What the output device and the room still hold once the player is empty: the microphone
    // stays back this long after the answer has played out.
    std::chrono::milliseconds echoTail{250};
    // How often the player is asked whether the answer has played out.
    std::chrono::milliseconds drainPoll{20};
    // A speech start this soon after local feedback finished keeps the tool-call mark.
    std::chrono::milliseconds feedbackSuppression{350};
    // A ping goes out this often while none is unanswered.
    std::chrono::milliseconds pingInterval{1'000};
    // A connection that has sent nothing, pong or event, for this long after a ping is lost.
    std::chrono::milliseconds pongTimeout{3'000};
    // Starting gives up when "session.created" has not arrived this long after connecting.
    std::chrono::milliseconds sessionCreatedTimeout{15'000};
    // Server events waiting to be handled; more end the session.
    int incomingLimit = 10'000;
    // Empty means std::chrono::steady_clock::now.
    Clock clock{};
};

} // namespace korvane
