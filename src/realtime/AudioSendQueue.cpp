// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/AudioSendQueue.h"

#include <QMetaObject>
#include <QMutexLocker>
#include <QObject>

namespace korvane {

AudioSendQueue::AudioSendQueue(QObject* receiver, Sender send)
    : m_receiver(receiver)
    , m_send(std::move(send))
{
}

void AudioSendQueue::push(QByteArray chunk)
{
    const QMutexLocker lock(&m_mutex);
    m_waiting.append(std::move(chunk));
    if (m_drainPosted)
        return;
    m_drainPosted = true;
    QMetaObject::invokeMethod(
        m_receiver, [this] { drain(); }, Qt::QueuedConnection);
}

void AudioSendQueue::drain()
{
    QList<QByteArray> chunks;
    {
        const QMutexLocker lock(&m_mutex);
        chunks.swap(m_waiting);
        m_drainPosted = false;
    }
    for (QByteArray& chunk : chunks)
        m_send(std::move(chunk));
}

} // namespace korvane
