// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the playlist reader (.m3u / .m3u8 text from the music folder).
#include "platform/linux/mpris/PlaylistFile.h"

#include <QByteArrayView>
#include <QDir>
#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(data, static_cast<qsizetype>(size));
    const QStringList entries = korvane::PlaylistFile::entries(bytes, QStringLiteral("/music"));
    // Every entry comes out as an absolute, cleaned path.
    for (const QString& entry : entries) {
        if (!QDir::isAbsolutePath(entry) || QDir::cleanPath(entry) != entry)
            __builtin_trap();
    }
    return 0;
}
