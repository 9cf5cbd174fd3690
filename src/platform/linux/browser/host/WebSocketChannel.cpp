// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/browser/host/WebSocketChannel.h"

#include "platform/linux/browser/RemoteMessage.h"

#include <QNetworkProxy>

namespace korvane {

WebSocketChannel::WebSocketChannel(QObject* parent)
    : BrowserChannel(parent)
{
    // The browser is on this computer: no proxy may stand between.
    m_socket.setProxy(QNetworkProxy::NoProxy);
    m_socket.setMaxAllowedIncomingMessageSize(RemoteMessage::maximumBytes);
    m_socket.setMaxAllowedIncomingFrameSize(RemoteMessage::maximumBytes);
    connect(&m_socket, &QWebSocket::connected, this, &WebSocketChannel::connected);
    connect(&m_socket, &QWebSocket::disconnected, this, &BrowserChannel::closed);
    connect(&m_socket, &QWebSocket::textMessageReceived, this,
            [this](const QString& text) { Q_EMIT received(text.toUtf8()); });
}

void WebSocketChannel::open(const QUrl& url)
{
    m_socket.open(url);
}

void WebSocketChannel::send(const QByteArray& message)
{
    m_socket.sendTextMessage(QString::fromUtf8(message));
}

} // namespace korvane
