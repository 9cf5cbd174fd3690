// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/browser/host/LoopbackListener.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

namespace korvane {

namespace {

// 127.0.0.1 as the kernel prints it: the address's four bytes in host order, as hex.
constexpr QStringView loopbackAddress = u"0100007F";
constexpr QStringView listenState = u"0A";

} // namespace

std::optional<quint64> LoopbackListener::listeningInode(QStringView procNetTcp, quint16 port,
                                                        uint userId)
{
    const QString wanted =
        loopbackAddress + u':' + QString::number(port, 16).toUpper().rightJustified(4, u'0');
    // "sl local_address rem_address st tx:rx tr:when retrnsmt uid timeout inode …"
    for (QStringView line : procNetTcp.split(u'\n')) {
        const QList<QStringView> fields = line.trimmed().split(u' ', Qt::SkipEmptyParts);
        if (fields.size() < 10 || fields.at(1) != wanted || fields.at(3) != listenState)
            continue;
        bool numbers = false;
        const uint owner = fields.at(7).toUInt(&numbers);
        if (!numbers || owner != userId)
            continue;
        const quint64 inode = fields.at(9).toULongLong(&numbers);
        if (numbers && inode != 0)
            return inode;
    }
    return std::nullopt;
}

bool LoopbackListener::isOwnedBy(quint16 port, qint64 processId)
{
    QFile table(u"/proc/net/tcp"_qs);
    if (processId <= 0 || !table.open(QIODevice::ReadOnly))
        return false;
    const std::optional<quint64> inode =
        listeningInode(QString::fromLatin1(table.readAll()), port, ::getuid());
    if (!inode)
        return false;
    const QByteArray socketLink = "socket:[" + QByteArray::number(*inode) + ']';
    const QDir descriptors(u"/proc/"_qs + QString::number(processId) + u"/fd"_qs);
    const QStringList entries = descriptors.entryList(QDir::Files | QDir::System);
    return std::any_of(entries.cbegin(), entries.cend(), [&](const QString& entry) {
        const QByteArray path = QFile::encodeName(descriptors.filePath(entry));
        char target[64] = {};
        const ssize_t length = ::readlink(path.constData(), target, sizeof target - 1);
        return length > 0 && QByteArrayView(target, length) == socketLink;
    });
}

} // namespace korvane
