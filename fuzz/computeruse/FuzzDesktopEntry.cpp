// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the desktop-entry reader (as the body of an entry file, with a
// locale that exercises every fallback) and to the Exec line splitter.
#include "platform/linux/xdg/DesktopEntry.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryFile>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    (void)korvane::splitExecLine(QString::fromUtf8(bytes));

    QTemporaryFile file;
    if (file.open()) {
        file.write("[Desktop Entry]\n");
        file.write(bytes);
        file.flush();
        if (const auto entry = korvane::readDesktopEntry(
                file.fileName(), QStringLiteral("f.desktop"), QStringLiteral("de_DE.UTF-8@euro"))) {
            (void)entry->isLaunchable();
            (void)entry->executableName();
        }
    }
    return 0;
}
