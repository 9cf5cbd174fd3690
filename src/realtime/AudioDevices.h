// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AudioCaptureDevice.h"
#include "platform/AudioConverter.h"
#include "platform/AudioPlaybackDevice.h"

#include <memory>

namespace korvane {

// The audio a voice session uses: the microphone, the speaker, and how to convert the
// microphone's format to the wire format. A missing capture device reads as refused microphone
// access, a missing factory as an unavailable conversion; without a playback device answers
// are not played.
struct AudioDevices {
    std::shared_ptr<AudioCaptureDevice> capture{};
    std::shared_ptr<AudioPlaybackDevice> playback{};
    AudioConverterFactory converterFactory{};
};

} // namespace korvane
