// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>

namespace korvane {

// Whether a captured microphone chunk may go to the server. Written on the main thread, read on
// the capture thread without blocking.
struct MicrophoneGate {
    // Connected and configured.
    std::atomic<bool> active{false};
    // Microphone audio may be streamed at all.
    std::atomic<bool> recording{false};
    // Answer audio is queued or playing.
    std::atomic<bool> answerPlaying{false};
    // The microphone is heard through echo cancellation and the person allows interrupting
    // answers by voice: the answer does not hold the microphone back.
    std::atomic<bool> bargeIn{false};
    // The person holds the talk key.
    std::atomic<bool> talkHeld{false};
    // The session listens only while the talk key is held.
    std::atomic<bool> holdToTalkOnly{false};

    // A held key always lets audio through, before the session is ready too (it is kept until
    // then); otherwise audio flows in a ready session unless the answer would be heard back.
    bool admits() const
    {
        if (!recording)
            return false;
        if (talkHeld)
            return true;
        if (!active || holdToTalkOnly)
            return false;
        return !answerPlaying || bargeIn;
    }
};

} // namespace korvane
