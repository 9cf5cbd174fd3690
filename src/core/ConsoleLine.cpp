// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ConsoleLine.h"

#include <QMutex>

#include <cstdio>

namespace korvane {

void printConsoleLine(const QString& line)
{
    static QMutex mutex;
    const QByteArray bytes = line.toUtf8() + '\n';
    const QMutexLocker lock(&mutex);
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

} // namespace korvane
