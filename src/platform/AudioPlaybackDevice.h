// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Outcome.h"
#include "platform/AudioFormat.h"

#include <QByteArray>
#include <QString>

#include <chrono>

namespace korvane {

// The speaker as a playback engine with one player that plays scheduled buffers in order.
// Callable from any thread.
class AudioPlaybackDevice {
public:
    virtual ~AudioPlaybackDevice() = default;

    // Sets the format of scheduled buffers. On failure, the reason as a sentence.
    virtual Outcome configure(AudioFormat format) = 0;
    // Engine: the device stream. On failure, the reason as a sentence.
    virtual Outcome startEngine() = 0;
    virtual void stopEngine() = 0;
    virtual bool isEngineRunning() const = 0;
    // Player: stopping it drops everything scheduled.
    virtual void startPlayer() = 0;
    virtual void stopPlayer() = 0;
    virtual bool isPlayerPlaying() const = 0;
    // Plays `pcm` (whole frames of the configured format) after everything already scheduled.
    virtual void schedule(QByteArray pcm) = 0;
    // Scheduled audio not yet played out: what waits in the queue and what the device still
    // holds. Zero once everything scheduled has been handed to the speaker.
    virtual std::chrono::milliseconds pendingDuration() const = 0;
    // Whether the audio goes through the desktop's echo cancellation, so a microphone capturing
    // through it does not hear it.
    virtual bool isEchoCancelled() const = 0;
};

} // namespace korvane
