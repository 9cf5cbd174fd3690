// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakeAudioPlaybackDevice.h"

#include <QMutexLocker>

namespace korvane::test {

void FakeAudioPlaybackDevice::setConfigureError(std::optional<QString> error)
{
    const QMutexLocker lock(&m_mutex);
    m_configureError = std::move(error);
}

void FakeAudioPlaybackDevice::setStartEngineError(std::optional<QString> error)
{
    const QMutexLocker lock(&m_mutex);
    m_startEngineError = std::move(error);
}

qint64 FakeAudioPlaybackDevice::bytesPerMillisecond() const
{
    const AudioFormat format = m_format.value_or(AudioFormat{});
    return std::max<qint64>(qint64(format.sampleRate) * format.bytesPerFrame() / 1000, 1);
}

void FakeAudioPlaybackDevice::setEchoCancelled(bool cancelled)
{
    const QMutexLocker lock(&m_mutex);
    m_echoCancelled = cancelled;
}

void FakeAudioPlaybackDevice::playOut(std::optional<std::chrono::milliseconds> duration)
{
    const QMutexLocker lock(&m_mutex);
    const qint64 more = duration ? duration->count() * bytesPerMillisecond() : m_scheduledBytes;
    m_playedBytes = std::min(m_playedBytes + more, m_scheduledBytes);
}

std::chrono::milliseconds FakeAudioPlaybackDevice::pendingDuration() const
{
    const QMutexLocker lock(&m_mutex);
    const qint64 bytesPerMs = bytesPerMillisecond();
    const qint64 pending = m_scheduledBytes - m_playedBytes;
    return std::chrono::milliseconds((pending + bytesPerMs - 1) / bytesPerMs);
}

bool FakeAudioPlaybackDevice::isEchoCancelled() const
{
    const QMutexLocker lock(&m_mutex);
    return m_echoCancelled;
}

QStringList FakeAudioPlaybackDevice::calls() const
{
    const QMutexLocker lock(&m_mutex);
    return m_calls;
}

int FakeAudioPlaybackDevice::callCount(const QString& call) const
{
    const QMutexLocker lock(&m_mutex);
    return int(m_calls.count(call));
}

std::optional<AudioFormat> FakeAudioPlaybackDevice::format() const
{
    const QMutexLocker lock(&m_mutex);
    return m_format;
}

QList<QByteArray> FakeAudioPlaybackDevice::scheduled() const
{
    const QMutexLocker lock(&m_mutex);
    return m_scheduled;
}

QList<QByteArray> FakeAudioPlaybackDevice::allScheduled() const
{
    const QMutexLocker lock(&m_mutex);
    return m_allScheduled;
}

Outcome FakeAudioPlaybackDevice::configure(AudioFormat format)
{
    const QMutexLocker lock(&m_mutex);
    m_calls.append(QStringLiteral("configure ") + QString::number(format.sampleRate) + u'/' +
                   QString::number(format.channelCount));
    if (m_configureError)
        return Outcome::failure(*m_configureError);
    m_format = format;
    return Outcome::success();
}

Outcome FakeAudioPlaybackDevice::startEngine()
{
    const QMutexLocker lock(&m_mutex);
    m_calls.append(QStringLiteral("startEngine"));
    if (m_startEngineError)
        return Outcome::failure(*m_startEngineError);
    m_engineRunning = true;
    return Outcome::success();
}

void FakeAudioPlaybackDevice::stopEngine()
{
    const QMutexLocker lock(&m_mutex);
    m_calls.append(QStringLiteral("stopEngine"));
    m_engineRunning = false;
}

bool FakeAudioPlaybackDevice::isEngineRunning() const
{
    const QMutexLocker lock(&m_mutex);
    return m_engineRunning;
}

void FakeAudioPlaybackDevice::startPlayer()
{
    const QMutexLocker lock(&m_mutex);
    m_calls.append(QStringLiteral("startPlayer"));
    m_playerPlaying = true;
}

void FakeAudioPlaybackDevice::stopPlayer()
{
    {
        const QMutexLocker lock(&m_mutex);
        m_calls.append(QStringLiteral("stopPlayer"));
        m_playerPlaying = false;
        m_scheduled.clear();
        m_scheduledBytes = 0;
        m_playedBytes = 0;
    }
    notify(QStringLiteral("stopPlayer"));
}

bool FakeAudioPlaybackDevice::isPlayerPlaying() const
{
    const QMutexLocker lock(&m_mutex);
    return m_playerPlaying;
}

void FakeAudioPlaybackDevice::schedule(QByteArray pcm)
{
    const QString call = QStringLiteral("schedule ") + QString::number(pcm.size());
    {
        const QMutexLocker lock(&m_mutex);
        m_calls.append(call);
        m_scheduledBytes += pcm.size();
        m_scheduled.append(pcm);
        m_allScheduled.append(std::move(pcm));
    }
    notify(call);
}

void FakeAudioPlaybackDevice::setObserver(std::function<void(const QString&)> observer)
{
    const QMutexLocker lock(&m_mutex);
    m_observer = std::move(observer);
}

void FakeAudioPlaybackDevice::notify(const QString& call)
{
    std::function<void(const QString&)> observer;
    {
        const QMutexLocker lock(&m_mutex);
        observer = m_observer;
    }
    if (observer)
        observer(call);
}

} // namespace korvane::test
