// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/mpris/PlaylistFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QUrl>

namespace korvane {

namespace {

QString decoded(QByteArrayView content)
{
    if (content.startsWith("\xEF\xBB\xBF"))
        content = content.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(content);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(content);
}

bool hasScheme(const QString& entry)
{
    // "x://" with a plausible scheme; a drive letter or a plain name never has "://".
    const qsizetype separator = entry.indexOf(QStringLiteral("://"));
    if (separator <= 0)
        return entry.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive);
    for (qsizetype i = 0; i < separator; ++i) {
        const QChar c = entry.at(i);
        if (!(c.isLetterOrNumber() || c == u'+' || c == u'-' || c == u'.'))
            return false;
    }
    return true;
}

} // namespace

QStringList PlaylistFile::entries(QByteArrayView content, const QString& folder)
{
    const QString text = decoded(content);
    const QDir base(folder);
    QStringList paths;
    for (QStringView line : QStringView(text).split(u'\n')) {
        const QString entry = line.trimmed().toString();
        if (entry.isEmpty() || entry.startsWith(u'#'))
            continue;
        QString path;
        if (hasScheme(entry)) {
            const QUrl url(entry);
            if (!url.isValid() || !url.isLocalFile() || url.toLocalFile().isEmpty())
                continue;
            // "file:song.mp3" names a relative path too; it is relative to the playlist.
            path = base.absoluteFilePath(url.toLocalFile());
        } else {
            path = base.absoluteFilePath(entry);
        }
        if (path.isEmpty())
            continue;
        paths.append(QDir::cleanPath(path));
        if (paths.size() >= maximumEntries)
            break;
    }
    return paths;
}

QStringList PlaylistFile::existingEntries(const QString& path)
{
    QFile file(path);
    if (file.size() > maximumBytes || !file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray content = file.read(maximumBytes);
    QStringList existing;
    for (const QString& entry : entries(content, QFileInfo(path).absolutePath())) {
        if (QFileInfo(entry).isFile())
            existing.append(entry);
    }
    return existing;
}

bool PlaylistFile::isPlaylist(const QString& fileName)
{
    return fileName.endsWith(QStringLiteral(".m3u"), Qt::CaseInsensitive) ||
           fileName.endsWith(QStringLiteral(".m3u8"), Qt::CaseInsensitive);
}

} // namespace korvane
