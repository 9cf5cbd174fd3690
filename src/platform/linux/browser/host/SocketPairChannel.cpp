// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/browser/host/SocketPairChannel.h"

namespace korvane {

SocketPairChannel::SocketPairChannel(int descriptor, QObject* parent)
    : BrowserChannel(parent)
{
    connect(&m_socket, &QLocalSocket::readyRead, this, &SocketPairChannel::readAvailable);
    connect(&m_socket, &QLocalSocket::disconnected, this, &BrowserChannel::closed);
    if (!m_socket.setSocketDescriptor(descriptor))
        QMetaObject::invokeMethod(this, &BrowserChannel::closed, Qt::QueuedConnection);
}

void SocketPairChannel::send(const QByteArray& message)
{
    m_socket.write(MessageFrames::frame(message));
}

void SocketPairChannel::readAvailable()
{
    const QList<QByteArray> messages = m_frames.append(m_socket.readAll());
    for (const QByteArray& message : messages)
        Q_EMIT received(message);
}

} // namespace korvane
