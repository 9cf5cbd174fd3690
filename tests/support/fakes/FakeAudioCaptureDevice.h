// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AudioCaptureDevice.h"

#include <QMutex>
#include <QStringList>
#include <QWaitCondition>

#include <optional>

namespace korvane::test {

// A microphone driven by the test. Tests push buffers from a thread of their own, as a real
// device's audio thread would; every call the code under test makes is recorded in order
// ("requestAccess", "installTap 2048", "removeTap", "start", "stop"). Thread-safe; like a real
// device, removeTap() and stop() wait for a push() that is inside the tap, so they must not be
// called from the tap itself.
class FakeAudioCaptureDevice final : public AudioCaptureDevice {
public:
    explicit FakeAudioCaptureDevice(AudioFormat format = {48000, 1,
                                                          AudioFormat::SampleType::int16});

    // What requestAccess() answers (granted by default).
    void setAccessGranted(bool granted);
    // start() fails with this sentence; absent (the default) lets it succeed.
    void setStartError(std::optional<QString> error);
    // What isEchoCancelled() answers (false by default).
    void setEchoCancelled(bool cancelled);

    // Hands `buffer` to the tap on the calling thread. False (and nothing called) unless a tap
    // is installed and the device runs.
    bool push(const AudioBuffer& buffer);
    // A buffer of `frames` frames in the input format whose bytes all equal `fill`.
    AudioBuffer makeBuffer(int frames, char fill = 0) const;

    QStringList calls() const;
    int callCount(const QString& call) const;
    bool hasTap() const;
    int tapBufferFrames() const;

    QCoro::Task<bool> requestAccess() override;
    AudioFormat inputFormat() const override;
    void installTap(int bufferFrames, TapHandler handler) override;
    void removeTap() override;
    Outcome start() override;
    void stop() override;
    bool isRunning() const override;
    bool isEchoCancelled() const override;

private:
    // Waits until no push() is inside the tap; the mutex is held.
    void waitForIdleTap();

    mutable QMutex m_mutex;
    QWaitCondition m_tapIdle;
    AudioFormat m_format;
    bool m_accessGranted = true;
    bool m_echoCancelled = false;
    std::optional<QString> m_startError;
    bool m_running = false;
    TapHandler m_tap;
    int m_tapFrames = 0;
    int m_pushesInTap = 0;
    QStringList m_calls;
};

} // namespace korvane::test
