// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/audio/AudioTapChunker.h"

#include <algorithm>

namespace korvane {

AudioTapChunker::AudioTapChunker(AudioFormat format, int frames)
    : m_format(format)
    , m_frames(std::max(frames, 1))
    , m_bufferBytes(qsizetype(m_frames) * std::max(format.bytesPerFrame(), 1))
{
    m_pending.reserve(m_bufferBytes);
}

void AudioTapChunker::append(const char* data, qsizetype size,
                             const std::function<void(const AudioBuffer&)>& emit)
{
    while (size > 0) {
        const qsizetype missing = m_bufferBytes - m_pending.size();
        const qsizetype taken = std::min(missing, size);
        m_pending.append(data, taken);
        data += taken;
        size -= taken;
        if (m_pending.size() < m_bufferBytes)
            return;
        AudioBuffer buffer{.format = m_format, .data = std::move(m_pending)};
        m_pending = QByteArray();
        m_pending.reserve(m_bufferBytes);
        if (emit)
            emit(buffer);
    }
}

void AudioTapChunker::reset()
{
    m_pending.clear();
}

} // namespace korvane
