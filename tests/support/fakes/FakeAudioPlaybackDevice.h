#pragma once

#include "platform/AudioPlaybackDevice.h"

#include <QList>
#include <QMutex>
#include <QStringList>

#include <optional>

namespace korvane::test {

// A speaker that keeps what it is given. Every call is recorded in order ("configure 24000/1",
// "startEngine", "stopEngine", "startPlayer", "stopPlayer", "schedule 1024"); scheduled buffers
// are kept until the player stops, as a real player drops its queue. Thread-safe.
class FakeAudioPlaybackDevice final : public AudioPlaybackDevice {
public:
    void setConfigureError(std::optional<QString> error);
    void setStartEngineError(std::optional<QString> error);

    QStringList calls() const;
    int callCount(const QString& call) const;
    std::optional<AudioFormat> format() const;
    // Buffers scheduled since the player last stopped, in order.
    QList<QByteArray> scheduled() const;
    // Every buffer ever scheduled, in order.
    QList<QByteArray> allScheduled() const;

    std::optional<QString> configure(AudioFormat format) override;
    std::optional<QString> startEngine() override;
    void stopEngine() override;
    bool isEngineRunning() const override;
    void startPlayer() override;
    void stopPlayer() override;
    bool isPlayerPlaying() const override;
    void schedule(QByteArray pcm) override;

private:
    mutable QMutex m_mutex;
    std::optional<QString> m_configureError;
    std::optional<QString> m_startEngineError;
    std::optional<AudioFormat> m_format;
    bool m_engineRunning = false;
    bool m_playerPlaying = false;
    QList<QByteArray> m_scheduled;
    QList<QByteArray> m_allScheduled;
    QStringList m_calls;
};

} // namespace korvane::test
