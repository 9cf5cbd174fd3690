// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AudioCaptureDevice.h"
#include "platform/linux/audio/QtAudioFormats.h"

#include <QByteArray>

#include <memory>

namespace korvane {

// The microphone through Qt Multimedia (PulseAudio or PipeWire underneath). The source lives on
// an audio thread of its own; the tap handler runs there with buffers of exactly the tap's
// frame count in the device's preferred format. Linux asks no permission for a microphone, so
// access is granted whenever an input device exists.
class QtAudioCaptureDevice final : public AudioCaptureDevice {
public:
    // `deviceId` picks one input (QAudioDevice::id()); empty means the input `route` names,
    // looked up at each start.
    explicit QtAudioCaptureDevice(QByteArray deviceId = {},
                                  AudioRoute route = AudioRoute::systemDefault);
    ~QtAudioCaptureDevice() override;
    Q_DISABLE_COPY_MOVE(QtAudioCaptureDevice)

    QCoro::Task<bool> requestAccess() override;
    AudioFormat inputFormat() const override;
    void installTap(int bufferFrames, TapHandler handler) override;
    void removeTap() override;
    Outcome start() override;
    void stop() override;
    bool isRunning() const override;
    bool isEchoCancelled() const override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace korvane
