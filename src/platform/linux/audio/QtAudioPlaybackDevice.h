// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AudioPlaybackDevice.h"
#include "platform/linux/audio/QtAudioFormats.h"

#include <QByteArray>

#include <memory>

namespace korvane {

// The speaker through Qt Multimedia: one sink in push mode on an audio thread of its own,
// fed from a queue of scheduled audio every few milliseconds. While nothing is scheduled (or the
// player is stopped) the sink is kept fed with a little silence, so it never underruns and a
// new chunk waits behind at most that much.
class QtAudioPlaybackDevice final : public AudioPlaybackDevice {
public:
    // `deviceId` picks one output (QAudioDevice::id()); empty means the output `route` names,
    // looked up at each engine start.
    explicit QtAudioPlaybackDevice(QByteArray deviceId = {},
                                   AudioRoute route = AudioRoute::systemDefault);
    ~QtAudioPlaybackDevice() override;
    Q_DISABLE_COPY_MOVE(QtAudioPlaybackDevice)

    Outcome configure(AudioFormat format) override;
    Outcome startEngine() override;
    void stopEngine() override;
    bool isEngineRunning() const override;
    void startPlayer() override;
    void stopPlayer() override;
    bool isPlayerPlaying() const override;
    void schedule(QByteArray pcm) override;
    std::chrono::milliseconds pendingDuration() const override;
    bool isEchoCancelled() const override;

    // Bytes scheduled and not yet handed to the sink.
    qsizetype queuedBytes() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace korvane
