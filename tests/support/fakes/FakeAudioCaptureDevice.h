// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AudioCaptureDevice.h"

#include <QMutex>
#include <QStringList>
#include <QWaitCondition>

#include <atomic>
#include <optional>

namespace korvane::test {

// A microphone driven by the test. Tests push buffers from a thread of their own, as a real
// device's audio thread would; every call the code under test makes is recorded in order
// ("requestAccess", "installTap 2048", "removeTap", "start", "stop"). Like a real device,
// removeTap() and stop() wait for a push() that is inside the tap.
class FakeAudioCaptureDevice final : public AudioCaptureDevice {
public:
    explicit FakeAudioCaptureDevice(AudioFormat format = {48000, 1,
                                                          AudioFormat::SampleType::int16});

    void setAccessGranted(bool granted) { m_accessGranted = granted; }
    // start() fails with this sentence; absent (the default) lets it succeed.
    void setStartError(std::optional<QString> error);
    void setEchoCancelled(bool cancelled) { m_echoCancelled = cancelled; }

    // Hands `buffer` to the tap on the calling thread. False (and nothing called) unless a tap
    // is installed and the device runs.
    bool push(const AudioBuffer& buffer);
    // A buffer of `frames` frames in the input format whose bytes all equal `fill`.
    AudioBuffer makeBuffer(int frames, char fill = 0) const;

    QStringList calls() const;
    bool hasTap() const;

    QCoro::Task<bool> requestAccess() override;
    AudioFormat inputFormat() const override { return m_format; }
    void installTap(int bufferFrames, TapHandler handler) override;
    void removeTap() override;
    Outcome start() override;
    void stop() override;
    bool isRunning() const override { return m_running; }
    bool isEchoCancelled() const override { return m_echoCancelled; }

private:
    void record(const QString& call);
    // Waits until no push() is inside the tap; the mutex is held.
    void waitForIdleTap();

    const AudioFormat m_format;
    std::atomic<bool> m_accessGranted = true;
    std::atomic<bool> m_echoCancelled = false;
    std::atomic<bool> m_running = false;
    mutable QMutex m_mutex;
    QWaitCondition m_tapIdle;
    std::optional<QString> m_startError;
    TapHandler m_tap;
    int m_pushesInTap = 0;
    QStringList m_calls;
};

} // namespace korvane::test
