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

std::optional<QString> FakeAudioPlaybackDevice::configure(AudioFormat format)
{
    const QMutexLocker lock(&m_mutex);
    m_calls.append(QStringLiteral("configure ") + QString::number(format.sampleRate) + u'/' +
                   QString::number(format.channelCount));
    if (m_configureError)
        return m_configureError;
    m_format = format;
    return std::nullopt;
}

std::optional<QString> FakeAudioPlaybackDevice::startEngine()
{
    const QMutexLocker lock(&m_mutex);
    m_calls.append(QStringLiteral("startEngine"));
    if (m_startEngineError)
        return m_startEngineError;
    m_engineRunning = true;
    return std::nullopt;
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
    const QMutexLocker lock(&m_mutex);
    m_calls.append(QStringLiteral("stopPlayer"));
    m_playerPlaying = false;
    m_scheduled.clear();
}

bool FakeAudioPlaybackDevice::isPlayerPlaying() const
{
    const QMutexLocker lock(&m_mutex);
    return m_playerPlaying;
}

void FakeAudioPlaybackDevice::schedule(QByteArray pcm)
{
    const QMutexLocker lock(&m_mutex);
    m_calls.append(QStringLiteral("schedule ") + QString::number(pcm.size()));
    m_scheduled.append(pcm);
    m_allScheduled.append(std::move(pcm));
}

} // namespace korvane::test
