// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AudioConverter.h"

#include <memory>

namespace korvane {

// A streaming converter: down-mix by averaging, Int16 and Float samples, and libsoxr for the
// rate. One resampler serves the whole stream, so its filter state carries across buffer seams.
// One call returns at most (target rate × frames ÷ source rate) + 1 frames; whatever the
// resampler produced beyond that waits for the next call.
class SoxrAudioConverter final : public AudioConverter {
public:
    // Null when either format is unusable or the resampler cannot be made.
    static std::unique_ptr<SoxrAudioConverter> create(AudioFormat source, AudioFormat target);
    ~SoxrAudioConverter() override;

    AudioFormat sourceFormat() const override;
    AudioFormat targetFormat() const override;
    QByteArray convert(const AudioBuffer& buffer) override;

    // Frames the resampler and the output queue hold back, in target frames.
    double pendingFrames() const;

private:
    struct Private;
    explicit SoxrAudioConverter(std::unique_ptr<Private> d);
    std::unique_ptr<Private> d;
};

// The AudioConverterFactory of this desktop.
std::unique_ptr<AudioConverter> createAudioConverter(AudioFormat source, AudioFormat target);

} // namespace korvane
