// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the readers of a script's output: the artifact marker of its
// standard output, and the markdown file a marker names.
#include "computeruse/ScriptArtifactMarker.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = QString::fromUtf8(bytes);
    (void)korvane::parseArtifactFromStdout(text);
    (void)korvane::parseArtifactFromStdout(QStringLiteral("[ARTIFACT:") + text);

    static const QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("notes.md"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(bytes);
        file.close();
        (void)korvane::readArtifactFile(path, {folder.path()});
    }
    return 0;
}
