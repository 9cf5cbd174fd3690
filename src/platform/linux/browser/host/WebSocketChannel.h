// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/linux/browser/host/BrowserChannel.h"

#include <QUrl>
#include <QWebSocket>

namespace korvane {

// Firefox's WebDriver BiDi endpoint: one text message per JSON message.
class WebSocketChannel final : public BrowserChannel {
    Q_OBJECT

public:
    explicit WebSocketChannel(QObject* parent = nullptr);

    // connected() or closed() follows.
    void open(const QUrl& url);
    void send(const QByteArray& message) override;

Q_SIGNALS:
    void connected();

private:
    QWebSocket m_socket;
};

} // namespace korvane
