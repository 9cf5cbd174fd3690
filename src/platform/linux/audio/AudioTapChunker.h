// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AudioFormat.h"

#include <QByteArray>

#include <functional>

namespace korvane {

// Cuts a byte stream of one format into buffers of exactly `frames` frames. Bytes that do not
// yet fill a buffer wait for the next append; reset() drops them.
class AudioTapChunker final {
public:
    AudioTapChunker(AudioFormat format, int frames);

    AudioFormat format() const { return m_format; }
    int frames() const { return m_frames; }
    qsizetype pendingBytes() const { return m_pending.size(); }

    // Calls `emit` once per completed buffer, in stream order.
    void append(const char* data, qsizetype size,
                const std::function<void(const AudioBuffer&)>& emit);
    void reset();

private:
    AudioFormat m_format;
    int m_frames;
    qsizetype m_bufferBytes;
    QByteArray m_pending;
};

} // namespace korvane
