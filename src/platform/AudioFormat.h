// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

namespace korvane {

// Interleaved linear PCM as the audio ports exchange it.
struct AudioFormat {
    enum class SampleType { int16, float32 };

    int sampleRate = 24000;
    int channelCount = 1;
    SampleType sampleType = SampleType::int16;

    int bytesPerFrame() const { return channelCount * (sampleType == SampleType::int16 ? 2 : 4); }

    friend bool operator==(const AudioFormat&, const AudioFormat&) = default;
};

// One block of captured or decoded audio in `format`.
struct AudioBuffer {
    AudioFormat format{};
    QByteArray data{};

    int frameCount() const
    {
        return format.bytesPerFrame() > 0 ? int(data.size()) / format.bytesPerFrame() : 0;
    }
};

} // namespace korvane
