// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordedAudioCapture.h"

namespace korvane::cli {

namespace {

using namespace std::chrono_literals;

// The listener may fall this far behind before the recording waits for it.
constexpr auto largestBacklog = 200ms;
constexpr int trailingSilenceMs = 1500;

} // namespace

RecordedAudioCapture::RecordedAudioCapture(AudioBuffer recording, Backlog backlog,
                                           std::function<void()> finished)
    : m_recording(std::move(recording))
    , m_backlog(std::move(backlog))
    , m_finished(std::move(finished))
{
    const int frameBytes = m_recording.format.bytesPerFrame();
    m_recording.data.append(QByteArray(
        qsizetype(m_recording.format.sampleRate) * trailingSilenceMs / 1000 * frameBytes, '\0'));
    m_thread = std::thread([this] { play(); });
}

RecordedAudioCapture::~RecordedAudioCapture()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

std::chrono::steady_clock::duration RecordedAudioCapture::position() const
{
    std::lock_guard lock(m_mutex);
    const qsizetype frames = m_offset / m_recording.format.bytesPerFrame();
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(double(frames) / m_recording.format.sampleRate));
}

void RecordedAudioCapture::play()
{
    std::unique_lock lock(m_mutex);
    const int frameBytes = m_recording.format.bytesPerFrame();
    while (!m_quit) {
        if (!m_running || !m_tap) {
            m_changed.wait(lock);
            continue;
        }
        if (m_offset >= m_recording.data.size()) {
            lock.unlock();
            while (m_backlog && m_backlog() > 0ms)
                std::this_thread::sleep_for(1ms);
            if (m_finished)
                m_finished();
            lock.lock();
            m_changed.wait(lock, [this] { return m_quit; });
            continue;
        }
        if (m_backlog) {
            lock.unlock();
            while (m_backlog() > largestBacklog)
                std::this_thread::sleep_for(1ms);
            lock.lock();
            if (!m_running || !m_tap || m_quit)
                continue;
        }
        const qsizetype bytes = std::min<qsizetype>(qsizetype(m_tapFrames) * frameBytes,
                                                    m_recording.data.size() - m_offset);
        const AudioBuffer buffer{m_recording.format, m_recording.data.mid(m_offset, bytes)};
        m_offset += bytes;
        const TapHandler tap = m_tap;
        m_inTap = true;
        lock.unlock();
        tap(buffer);
        lock.lock();
        m_inTap = false;
        m_changed.notify_all();
    }
}

QCoro::Task<bool> RecordedAudioCapture::requestAccess()
{
    co_return true;
}

AudioFormat RecordedAudioCapture::inputFormat() const
{
    return m_recording.format;
}

void RecordedAudioCapture::installTap(int bufferFrames, TapHandler handler)
{
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_inTap; });
        m_tapFrames = std::max(1, bufferFrames);
        m_tap = std::move(handler);
    }
    m_changed.notify_all();
}

void RecordedAudioCapture::removeTap()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_inTap; });
    m_tap = nullptr;
}

Outcome RecordedAudioCapture::start()
{
    {
        std::lock_guard lock(m_mutex);
        m_running = true;
    }
    m_changed.notify_all();
    return Outcome::success();
}

void RecordedAudioCapture::stop()
{
    std::unique_lock lock(m_mutex);
    m_running = false;
    m_changed.wait(lock, [this] { return !m_inTap; });
}

bool RecordedAudioCapture::isRunning() const
{
    std::lock_guard lock(m_mutex);
    return m_running;
}

} // namespace korvane::cli
