// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>

#include <functional>

class QObject;

namespace korvane {

// Chunks pushed from a capture thread leave on the receiver's thread in the order they were
// pushed: one drain at a time is posted to the receiver and sends everything waiting.
class AudioSendQueue final {
public:
    using Sender = std::function<void(QByteArray)>;

    // `receiver` must outlive the queue's use from other threads.
    AudioSendQueue(QObject* receiver, Sender send);
    AudioSendQueue(const AudioSendQueue&) = delete;
    AudioSendQueue& operator=(const AudioSendQueue&) = delete;

    // Any thread.
    void push(QByteArray chunk);
    // Receiver's thread: hands every waiting chunk to the sender, in order.
    void drain();

private:
    QObject* m_receiver;
    Sender m_send;
    QMutex m_mutex;
    QList<QByteArray> m_waiting;
    bool m_drainPosted = false;
};

} // namespace korvane
