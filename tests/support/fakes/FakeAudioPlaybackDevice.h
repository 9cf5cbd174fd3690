// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AudioPlaybackDevice.h"

#include <QList>
#include <QMutex>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>

namespace korvane::test {

// A speaker that keeps what it is given. Every call is recorded in order ("configure 24000/1",
// "startEngine", "stopEngine", "startPlayer", "stopPlayer", "schedule 1024"); scheduled audio
// stays pending until the test plays it out, and is dropped when the player stops.
class FakeAudioPlaybackDevice final : public AudioPlaybackDevice {
public:
    // configure() and startEngine() fail with these sentences when set; the main thread's.
    std::optional<QString> configureError;
    std::optional<QString> startEngineError;

    void setEchoCancelled(bool cancelled) { m_echoCancelled = cancelled; }
    // Called with the record of each call right after it is made, on the caller's thread.
    void setObserver(std::function<void(const QString&)> observer);
    // Plays `duration` more of what is scheduled (all of it when absent).
    void playOut(std::optional<std::chrono::milliseconds> duration = std::nullopt);

    QStringList calls() const;
    // Buffers scheduled since the player last stopped, in order.
    QList<QByteArray> scheduled() const;

    Outcome configure(AudioFormat format) override;
    Outcome startEngine() override;
    void stopEngine() override;
    bool isEngineRunning() const override { return m_engineRunning; }
    void startPlayer() override;
    void stopPlayer() override;
    bool isPlayerPlaying() const override { return m_playerPlaying; }
    void schedule(QByteArray pcm) override;
    std::chrono::milliseconds pendingDuration() const override;
    bool isEchoCancelled() const override { return m_echoCancelled; }

private:
    // The mutex is held.
    qint64 bytesPerMillisecond() const;
    void record(const QString& call);

    std::atomic<bool> m_engineRunning = false;
    std::atomic<bool> m_playerPlaying = false;
    std::atomic<bool> m_echoCancelled = false;
    mutable QMutex m_mutex;
    AudioFormat m_format;
    QList<QByteArray> m_scheduled;
    qint64 m_playedBytes = 0;
    QStringList m_calls;
    std::function<void(const QString&)> m_observer;
};

} // namespace korvane::test
