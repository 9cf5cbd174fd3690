// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

namespace korvane {

// Who listens on a loopback TCP port, read from /proc: the browser's remote interface is only
// trusted when the socket listening on it is one of the browser's own.
class LoopbackListener final {
public:
    // The inode of the socket listening on 127.0.0.1:`port` for this user, from the text of
    // /proc/net/tcp.
    static std::optional<quint64> listeningInode(QStringView procNetTcp, quint16 port, uint userId);
    // Whether process `processId` holds the socket listening on 127.0.0.1:`port`.
    static bool isOwnedBy(quint16 port, qint64 processId);
};

} // namespace korvane
