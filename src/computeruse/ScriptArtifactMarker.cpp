// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/ScriptArtifactMarker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvane {

namespace {

const QString markerStart = QStringLiteral("[ARTIFACT:");

QString withLineBreaks(QString text)
{
    return text.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
}

bool isInside(const QString& path, const QString& folder)
{
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();
    return !canonicalFolder.isEmpty() &&
           (path == canonicalFolder || path.startsWith(canonicalFolder + u'/'));
}

} // namespace

std::optional<Artifact> parseArtifactFromStdout(const QString& output)
{
    const qsizetype start = output.indexOf(markerStart);
    if (start < 0)
        return std::nullopt;
    const qsizetype contentStart = start + markerStart.size();
    const qsizetype end = output.lastIndexOf(u']');
    if (end < contentStart)
        return std::nullopt;
    const QStringList fields = output.sliced(contentStart, end - contentStart).split(u'|');
    if (fields.size() < 3)
        return std::nullopt;

    const QString kind = fields.at(0).trimmed().toLower();
    const QString path = fields.at(1).trimmed();
    const QString content =
        fields.size() > 3 ? withLineBreaks(fields.mid(3).join(u'|')) : QString();

    Artifact artifact;
    artifact.title = fields.at(2).trimmed();
    artifact.status = ArtifactStatus::ready;
    artifact.imagePath = path;
    artifact.body = path;
    if (kind == u"image") {
        artifact.kind = ArtifactKind::image;
    } else if (kind == u"presentation") {
        artifact.kind = ArtifactKind::presentation;
        artifact.body =
            content.isEmpty() ? QStringLiteral("Double-click to open file: ") + path : content;
    } else if (kind == u"markdown") {
        artifact.kind = ArtifactKind::markdown;
    } else {
        artifact.kind = ArtifactKind::note;
    }
    return artifact;
}

QString readArtifactFile(const QString& path, const QStringList& allowedFolders)
{
    const QString cannot = QStringLiteral("Could not show ") + path + QStringLiteral(": ");
    // The script named the path: only what it could have written itself may be shown, never
    // the person's other files (which the script could not read).
    const QString canonical = QFileInfo(path).canonicalFilePath();
    const bool allowed =
        !canonical.isEmpty() &&
        std::any_of(allowedFolders.begin(), allowedFolders.end(),
                    [&](const QString& folder) { return isInside(canonical, folder); });
    if (!allowed) {
        if (canonical.isEmpty())
            return cannot + QStringLiteral("the file does not exist.");
        return cannot +
               QStringLiteral("scripts may share only files in the workspace or the Downloads "
                              "folder.");
    }

    // Non-blocking, so a pipe cannot hold the reader; the checks run on what was opened.
    const int fd = ::open(QFile::encodeName(canonical).constData(),
                          O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return cannot + QString::fromLocal8Bit(std::strerror(errno));
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return cannot + QStringLiteral("it is not a regular file.");
    }
    if (status.st_size > maximumArtifactFileBytes) {
        ::close(fd);
        return cannot + QStringLiteral("it is larger than 16 MiB.");
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return cannot + file.errorString();
    }
    const QByteArray bytes = file.read(maximumArtifactFileBytes + 1);
    if (bytes.size() > maximumArtifactFileBytes)
        return cannot + QStringLiteral("it is larger than 16 MiB.");
    // Stateless: a sequence cut off at the end is an error too.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    if (decoder.hasError())
        return cannot + QStringLiteral("it is not UTF-8 text.");
    return withLineBreaks(text);
}

} // namespace korvane
