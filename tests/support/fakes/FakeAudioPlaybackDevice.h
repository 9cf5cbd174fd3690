// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AudioPlaybackDevice.h"

#include <QList>
#include <QMutex>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>

namespace korvane::test {

// A speaker that keeps what it is given. Every call is recorded in order ("configure 24000/1",
// "startEngine", "stopEngine", "startPlayer", "stopPlayer", "schedule 1024"); scheduled buffers
// are kept until the player stops, as a real player drops its queue. Scheduled audio stays
// pending until the test plays it out. Thread-safe.
class FakeAudioPlaybackDevice final : public AudioPlaybackDevice {
public:
    void setConfigureError(std::optional<QString> error);
    void setStartEngineError(std::optional<QString> error);
    // What isEchoCancelled() answers (false by default).
    void setEchoCancelled(bool cancelled);
    // Called with the record of each "schedule" and "stopPlayer" right after it is made, on the
    // caller's thread.
    void setObserver(std::function<void(const QString&)> observer);
    // Plays `duration` more of what is scheduled (all of it when absent).
    void playOut(std::optional<std::chrono::milliseconds> duration = std::nullopt);

    QStringList calls() const;
    int callCount(const QString& call) const;
    std::optional<AudioFormat> format() const;
    // Buffers scheduled since the player last stopped, in order.
    QList<QByteArray> scheduled() const;
    // Every buffer ever scheduled, in order.
    QList<QByteArray> allScheduled() const;

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

private:
    // The mutex is held.
    qint64 bytesPerMillisecond() const;
    void notify(const QString& call);

    mutable QMutex m_mutex;
    std::optional<QString> m_configureError;
    std::optional<QString> m_startEngineError;
    std::optional<AudioFormat> m_format;
    bool m_engineRunning = false;
    bool m_playerPlaying = false;
    bool m_echoCancelled = false;
    // Bytes scheduled since the player last stopped, and how many of them have played.
    qint64 m_scheduledBytes = 0;
    qint64 m_playedBytes = 0;
    QList<QByteArray> m_scheduled;
    QList<QByteArray> m_allScheduled;
    QStringList m_calls;
    std::function<void(const QString&)> m_observer;
};

} // namespace korvane::test
