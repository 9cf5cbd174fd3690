// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakeAudioCaptureDevice.h"

#include <QMutexLocker>

namespace korvane::test {

FakeAudioCaptureDevice::FakeAudioCaptureDevice(AudioFormat format)
    : m_format(format)
{
}

void FakeAudioCaptureDevice::setAccessGranted(bool granted)
{
    const QMutexLocker lock(&m_mutex);
    m_accessGranted = granted;
}

void FakeAudioCaptureDevice::setStartError(std::optional<QString> error)
{
    const QMutexLocker lock(&m_mutex);
    m_startError = std::move(error);
}

void FakeAudioCaptureDevice::setEchoCancelled(bool cancelled)
{
    const QMutexLocker lock(&m_mutex);
    m_echoCancelled = cancelled;
}

bool FakeAudioCaptureDevice::isEchoCancelled() const
{
    const QMutexLocker lock(&m_mutex);
    return m_echoCancelled;
}

bool FakeAudioCaptureDevice::push(const AudioBuffer& buffer)
{
    TapHandler tap;
    {
        const QMutexLocker lock(&m_mutex);
        if (!m_tap || !m_running)
            return false;
        tap = m_tap;
        ++m_pushesInTap;
    }
    // Called without the lock, as a device thread would, so the handler may take its time.
    tap(buffer);
    const QMutexLocker lock(&m_mutex);
    if (--m_pushesInTap == 0)
        m_tapIdle.wakeAll();
    return true;
}

AudioBuffer FakeAudioCaptureDevice::makeBuffer(int frames, char fill) const
{
    const QMutexLocker lock(&m_mutex);
    return AudioBuffer{m_format, QByteArray(qsizetype(frames) * m_format.bytesPerFrame(), fill)};
}

QStringList FakeAudioCaptureDevice::calls() const
{
    const QMutexLocker lock(&m_mutex);
    return m_calls;
}

int FakeAudioCaptureDevice::callCount(const QString& call) const
{
    const QMutexLocker lock(&m_mutex);
    return int(m_calls.count(call));
}

bool FakeAudioCaptureDevice::hasTap() const
{
    const QMutexLocker lock(&m_mutex);
    return bool(m_tap);
}

int FakeAudioCaptureDevice::tapBufferFrames() const
{
    const QMutexLocker lock(&m_mutex);
    return m_tapFrames;
}

QCoro::Task<bool> FakeAudioCaptureDevice::requestAccess()
{
    bool granted = false;
    {
        const QMutexLocker lock(&m_mutex);
        m_calls.append(QStringLiteral("requestAccess"));
        granted = m_accessGranted;
    }
    co_return granted;
}

AudioFormat FakeAudioCaptureDevice::inputFormat() const
{
    const QMutexLocker lock(&m_mutex);
    return m_format;
}

void FakeAudioCaptureDevice::installTap(int bufferFrames, TapHandler handler)
{
    const QMutexLocker lock(&m_mutex);
    m_calls.append(QStringLiteral("installTap ") + QString::number(bufferFrames));
    waitForIdleTap();
    m_tap = std::move(handler);
    m_tapFrames = bufferFrames;
}

void FakeAudioCaptureDevice::removeTap()
{
    const QMutexLocker lock(&m_mutex);
    m_calls.append(QStringLiteral("removeTap"));
    waitForIdleTap();
    m_tap = nullptr;
    m_tapFrames = 0;
}

Outcome FakeAudioCaptureDevice::start()
{
    const QMutexLocker lock(&m_mutex);
    m_calls.append(QStringLiteral("start"));
    if (m_startError)
        return Outcome::failure(*m_startError);
    m_running = true;
    return Outcome::success();
}

void FakeAudioCaptureDevice::stop()
{
    const QMutexLocker lock(&m_mutex);
    m_calls.append(QStringLiteral("stop"));
    m_running = false;
    waitForIdleTap();
}

bool FakeAudioCaptureDevice::isRunning() const
{
    const QMutexLocker lock(&m_mutex);
    return m_running;
}

void FakeAudioCaptureDevice::waitForIdleTap()
{
    while (m_pushesInTap > 0)
        m_tapIdle.wait(&m_mutex);
}

} // namespace korvane::test
