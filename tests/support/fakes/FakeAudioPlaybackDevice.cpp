// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakeAudioPlaybackDevice.h"

#include <QMutexLocker>

namespace korvane::test {

void FakeAudioPlaybackDevice::setObserver(std::function<void(const QString&)> observer)
{
    const QMutexLocker lock(&m_mutex);
    m_observer = std::move(observer);
}

qint64 FakeAudioPlaybackDevice::bytesPerMillisecond() const
{
    return std::max<qint64>(qint64(m_format.sampleRate) * m_format.bytesPerFrame() / 1000, 1);
}

void FakeAudioPlaybackDevice::playOut(std::optional<std::chrono::milliseconds> duration)
{
    const QMutexLocker lock(&m_mutex);
    qint64 scheduledBytes = 0;
    for (const QByteArray& pcm : std::as_const(m_scheduled))
        scheduledBytes += pcm.size();
    const qint64 more = duration ? duration->count() * bytesPerMillisecond() : scheduledBytes;
    m_playedBytes = std::min(m_playedBytes + more, scheduledBytes);
}

std::chrono::milliseconds FakeAudioPlaybackDevice::pendingDuration() const
{
    const QMutexLocker lock(&m_mutex);
    qint64 pending = -m_playedBytes;
    for (const QByteArray& pcm : m_scheduled)
        pending += pcm.size();
    const qint64 bytesPerMs = bytesPerMillisecond();
    return std::chrono::milliseconds((pending + bytesPerMs - 1) / bytesPerMs);
}

QStringList FakeAudioPlaybackDevice::calls() const
{
    const QMutexLocker lock(&m_mutex);
    return m_calls;
}

QList<QByteArray> FakeAudioPlaybackDevice::scheduled() const
{
    const QMutexLocker lock(&m_mutex);
    return m_scheduled;
}

Outcome FakeAudioPlaybackDevice::configure(AudioFormat format)
{
    record(QStringLiteral("configure %1/%2").arg(format.sampleRate).arg(format.channelCount));
    if (configureError)
        return Outcome::failure(*configureError);
    const QMutexLocker lock(&m_mutex);
    m_format = format;
    return Outcome::success();
}

Outcome FakeAudioPlaybackDevice::startEngine()
{
    record(QStringLiteral("startEngine"));
    if (startEngineError)
        return Outcome::failure(*startEngineError);
    m_engineRunning = true;
    return Outcome::success();
}

void FakeAudioPlaybackDevice::stopEngine()
{
    record(QStringLiteral("stopEngine"));
    m_engineRunning = false;
}

void FakeAudioPlaybackDevice::startPlayer()
{
    record(QStringLiteral("startPlayer"));
    m_playerPlaying = true;
}

void FakeAudioPlaybackDevice::stopPlayer()
{
    {
        const QMutexLocker lock(&m_mutex);
        m_playerPlaying = false;
        m_scheduled.clear();
        m_playedBytes = 0;
    }
    record(QStringLiteral("stopPlayer"));
}

void FakeAudioPlaybackDevice::schedule(QByteArray pcm)
{
    const QString call = QStringLiteral("schedule ") + QString::number(pcm.size());
    {
        const QMutexLocker lock(&m_mutex);
        m_scheduled.append(std::move(pcm));
    }
    record(call);
}

// The observer runs without the lock, so it may call back into the device.
void FakeAudioPlaybackDevice::record(const QString& call)
{
    std::function<void(const QString&)> observer;
    {
        const QMutexLocker lock(&m_mutex);
        m_calls.append(call);
        observer = m_observer;
    }
    if (observer)
        observer(call);
}

} // namespace korvane::test
