// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Outcome.h"
#include "platform/AudioFormat.h"

#include <QString>
#include <qcoro/qcorotask.h>

#include <functional>

namespace korvane {

// The microphone as a capture engine with one tap. The tap handler runs on the device's own
// audio thread, never on the main thread; it must not block.
class AudioCaptureDevice {
public:
    using TapHandler = std::function<void(const AudioBuffer&)>;

    virtual ~AudioCaptureDevice() = default;

    // Whether a microphone may be used (false when the desktop has none or refuses it).
    virtual QCoro::Task<bool> requestAccess() = 0;
    // The format the tap delivers.
    virtual AudioFormat inputFormat() const = 0;
    // Installs the one tap, replacing any earlier one; buffers hold `bufferFrames` frames.
    virtual void installTap(int bufferFrames, TapHandler handler) = 0;
    virtual void removeTap() = 0;
    // On failure, the reason as a sentence.
    virtual Outcome start() = 0;
    // Returns once no tap handler call is running or will run.
    virtual void stop() = 0;
    virtual bool isRunning() const = 0;
    // Whether the microphone is heard through the desktop's echo cancellation (the capture
    // that runs, else the one start() would open).
    virtual bool isEchoCancelled() const = 0;
};

} // namespace korvane
