// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakeAudioCaptureDevice.h"

#include <QMutexLocker>

namespace korvane::test {

FakeAudioCaptureDevice::FakeAudioCaptureDevice(AudioFormat format)
    : m_format(format)
{
}

void FakeAudioCaptureDevice::setStartError(std::optional<QString> error)
{
    const QMutexLocker lock(&m_mutex);
    m_startError = std::move(error);
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
    return AudioBuffer{m_format, QByteArray(qsizetype(frames) * m_format.bytesPerFrame(), fill)};
}

QStringList FakeAudioCaptureDevice::calls() const
{
    const QMutexLocker lock(&m_mutex);
    return m_calls;
}

bool FakeAudioCaptureDevice::hasTap() const
{
    const QMutexLocker lock(&m_mutex);
    return bool(m_tap);
}

QCoro::Task<bool> FakeAudioCaptureDevice::requestAccess()
{
    record(QStringLiteral("requestAccess"));
    co_return m_accessGranted.load();
}

void FakeAudioCaptureDevice::installTap(int bufferFrames, TapHandler handler)
{
    record(QStringLiteral("installTap ") + QString::number(bufferFrames));
    const QMutexLocker lock(&m_mutex);
    waitForIdleTap();
    m_tap = std::move(handler);
}

void FakeAudioCaptureDevice::removeTap()
{
    record(QStringLiteral("removeTap"));
    const QMutexLocker lock(&m_mutex);
    waitForIdleTap();
    m_tap = nullptr;
}

Outcome FakeAudioCaptureDevice::start()
{
    record(QStringLiteral("start"));
    const QMutexLocker lock(&m_mutex);
    if (m_startError)
        return Outcome::failure(*m_startError);
    m_running = true;
    return Outcome::success();
}

void FakeAudioCaptureDevice::stop()
{
    record(QStringLiteral("stop"));
    const QMutexLocker lock(&m_mutex);
    m_running = false;
    waitForIdleTap();
}

void FakeAudioCaptureDevice::record(const QString& call)
{
    const QMutexLocker lock(&m_mutex);
    m_calls.append(call);
}

void FakeAudioCaptureDevice::waitForIdleTap()
{
    while (m_pushesInTap > 0)
        m_tapIdle.wait(&m_mutex);
}

} // namespace korvane::test
