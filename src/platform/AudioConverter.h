// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AudioFormat.h"

#include <QByteArray>

#include <functional>
#include <memory>

namespace korvane {

// Converts a stream of buffers from one format to another (rate, channels, sample type). One
// converter serves a whole capture, so it keeps the resampler's state between buffers.
class AudioConverter {
public:
    virtual ~AudioConverter() = default;

    virtual AudioFormat sourceFormat() const = 0;
    virtual AudioFormat targetFormat() const = 0;
    // The converted bytes; empty when nothing came out or the conversion failed.
    virtual QByteArray convert(const AudioBuffer& buffer) = 0;
};

// Makes a converter between two formats; null when no converter can be made for them.
using AudioConverterFactory =
    std::function<std::unique_ptr<AudioConverter>(AudioFormat source, AudioFormat target)>;

} // namespace korvane
