// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/audio/AudioThread.h"

namespace korvane {

AudioThread::AudioThread(const QString& name)
    : m_context(std::make_unique<QObject>())
{
    m_thread.setObjectName(name);
    m_context->moveToThread(&m_thread);
    m_thread.start(QThread::TimeCriticalPriority);
}

AudioThread::~AudioThread()
{
    m_thread.quit();
    m_thread.wait();
}

bool AudioThread::isCurrent() const
{
    return QThread::currentThread() == &m_thread;
}

void AudioThread::runAndWait(const std::function<void()>& work) const
{
    if (isCurrent()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(m_context.get(), work, Qt::BlockingQueuedConnection);
}

void AudioThread::post(std::function<void()> work) const
{
    QMetaObject::invokeMethod(m_context.get(), std::move(work), Qt::QueuedConnection);
}

} // namespace korvane
