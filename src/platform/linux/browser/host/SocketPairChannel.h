// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/linux/browser/RemoteMessage.h"
#include "platform/linux/browser/host/BrowserChannel.h"

#include <QLocalSocket>

namespace korvane {

// A Chromium-family browser's --remote-debugging-pipe: one end of a socket pair that the
// browser holds as both its descriptor 3 (reads) and 4 (writes); NUL-terminated messages.
class SocketPairChannel final : public BrowserChannel {
    Q_OBJECT

public:
    // Takes ownership of `descriptor`.
    explicit SocketPairChannel(int descriptor, QObject* parent = nullptr);

    void send(const QByteArray& message) override;

private:
    void readAvailable();

    QLocalSocket m_socket;
    MessageFrames m_frames;
};

} // namespace korvane
