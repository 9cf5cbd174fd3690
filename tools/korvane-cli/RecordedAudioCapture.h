// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AudioCaptureDevice.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace korvane::cli {

// A recording played as if it were the microphone, on a thread of its own, as fast as the
// listener keeps up: buffers wait while the listener has more than a little audio still to
// decode. While stopped the recording pauses where it was, so nothing is skipped. The
// recording is followed by a moment of silence, so speech at its very end is heard out.
class RecordedAudioCapture final : public AudioCaptureDevice {
public:
    using Backlog = std::function<std::chrono::milliseconds()>;

    // `finished` runs on the capture's thread once the whole recording went to the tap and
    // `backlog` reports nothing left.
    RecordedAudioCapture(AudioBuffer recording, Backlog backlog, std::function<void()> finished);
    ~RecordedAudioCapture() override;
    Q_DISABLE_COPY_MOVE(RecordedAudioCapture)

    // How far into the recording the tap has got.
    std::chrono::steady_clock::duration position() const;

    QCoro::Task<bool> requestAccess() override;
    AudioFormat inputFormat() const override;
    void installTap(int bufferFrames, TapHandler handler) override;
    void removeTap() override;
    Outcome start() override;
    void stop() override;
    bool isRunning() const override;
    // A recording holds no echo of anything Korvane played.
    bool isEchoCancelled() const override { return false; }

private:
    void play();

    AudioBuffer m_recording;
    Backlog m_backlog;
    std::function<void()> m_finished;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    TapHandler m_tap;
    int m_tapFrames = 1024;
    bool m_running = false;
    bool m_inTap = false;
    bool m_quit = false;
    qsizetype m_offset = 0;
    std::thread m_thread;
};

} // namespace korvane::cli
