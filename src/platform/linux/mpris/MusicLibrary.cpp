// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/mpris/MusicLibrary.h"

#include "platform/linux/mpris/PlaylistFile.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLoggingCategory>
#include <QMutex>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>
#include <fileref.h>
#include <tag.h>

namespace korvane {

namespace {

Q_LOGGING_CATEGORY(lcMusicLibrary, "korvane.platform.mpris.library")

QString fromTagLib(const TagLib::String& text)
{
    return QString::fromStdString(text.to8Bit(true)).trimmed();
}

bool lessIgnoringCase(const QString& a, const QString& b)
{
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

struct CachedTrack {
    qint64 size = 0;
    QDateTime modified{};
    MusicTrack track{};
};

} // namespace

struct MusicLibrary::Private {
    QString folder;
    int maximumFiles = 0;
    mutable QMutex mutex;
    QHash<QString, CachedTrack> cache;
    QString cachedFolder;
    ScanStatistics statistics;

    // The track at `info`, from the cache while its size and time are unchanged.
    MusicTrack track(const QFileInfo& info, QHash<QString, CachedTrack>& fresh)
    {
        const QString path = info.absoluteFilePath();
        const qint64 size = info.size();
        const QDateTime modified = info.lastModified();
        if (const auto known = fresh.constFind(path); known != fresh.cend())
            return known->track;
        if (const auto cached = cache.constFind(path);
            cached != cache.cend() && cached->size == size && cached->modified == modified) {
            fresh.insert(path, *cached);
            return cached->track;
        }
        ++statistics.tagsRead;
        CachedTrack read{size, modified, readTrack(path)};
        fresh.insert(path, read);
        return read.track;
    }
};

MusicLibrary::MusicLibrary(QString folder, int maximumFiles)
    : d(std::make_unique<Private>())
{
    d->folder = std::move(folder);
    d->maximumFiles = maximumFiles;
}

MusicLibrary::~MusicLibrary() = default;

QString MusicLibrary::folder() const
{
    if (!d->folder.isEmpty())
        return d->folder;
    return QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
}

MusicLibrary::ScanStatistics MusicLibrary::lastScan() const
{
    const QMutexLocker locker(&d->mutex);
    return d->statistics;
}

bool MusicLibrary::isAudioFile(const QString& fileName)
{
    static const QSet<QString> extensions{
        QStringLiteral("mp3"),  QStringLiteral("flac"), QStringLiteral("ogg"),
        QStringLiteral("oga"),  QStringLiteral("opus"), QStringLiteral("m4a"),
        QStringLiteral("m4b"),  QStringLiteral("mp4"),  QStringLiteral("aac"),
        QStringLiteral("wav"),  QStringLiteral("wma"),  QStringLiteral("ape"),
        QStringLiteral("wv"),   QStringLiteral("mpc"),  QStringLiteral("aif"),
        QStringLiteral("aiff"), QStringLiteral("spx"),  QStringLiteral("tta"),
        QStringLiteral("dsf")};
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot >= 0 && extensions.contains(fileName.mid(dot + 1).toLower());
}

MusicTrack MusicLibrary::readTrack(const QString& filePath)
{
    MusicTrack track;
    track.filePath = filePath;
    const QByteArray encoded = QFile::encodeName(filePath);
    // Audio properties are not needed: reading them would decode headers of every file.
    const TagLib::FileRef file(encoded.constData(), false);
    if (!file.isNull() && file.tag()) {
        const TagLib::Tag* tag = file.tag();
        track.title = fromTagLib(tag->title());
        track.artist = fromTagLib(tag->artist());
        track.album = fromTagLib(tag->album());
    }
    if (track.title.isEmpty())
        track.title = QFileInfo(filePath).completeBaseName();
    return track;
}

MusicCollection MusicLibrary::collection()
{
    const QString root = folder();
    const QMutexLocker locker(&d->mutex);
    d->statistics = {};
    if (d->cachedFolder != root) {
        d->cache.clear();
        d->cachedFolder = root;
    }

    QList<QFileInfo> audio;
    QList<QFileInfo> playlistFiles;
    if (!root.isEmpty() && QFileInfo(root).isDir()) {
        // Symbolic links to folders are not followed, so a link cycle cannot trap the scan.
        QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            if (d->statistics.filesSeen >= d->maximumFiles) {
                d->statistics.truncated = true;
                qCWarning(lcMusicLibrary)
                    << "stopped the music scan after" << d->maximumFiles << "files";
                break;
            }
            it.next();
            ++d->statistics.filesSeen;
            const QFileInfo info = it.fileInfo();
            const QString name = info.fileName();
            if (isAudioFile(name))
                audio.append(info);
            else if (PlaylistFile::isPlaylist(name))
                playlistFiles.append(info);
        }
    }

    QHash<QString, CachedTrack> fresh;
    MusicCollection collection;
    std::sort(audio.begin(), audio.end(), [](const QFileInfo& a, const QFileInfo& b) {
        return lessIgnoringCase(a.absoluteFilePath(), b.absoluteFilePath());
    });
    collection.tracks.reserve(audio.size());
    for (const QFileInfo& info : std::as_const(audio))
        collection.tracks.append(d->track(info, fresh));

    // Entries outside the folder count against the same bound as the scan.
    int outside = 0;
    for (const QFileInfo& info : std::as_const(playlistFiles)) {
        MusicPlaylist playlist{info.completeBaseName(), info.absoluteFilePath(), {}};
        for (const QString& entry : PlaylistFile::existingEntries(info.absoluteFilePath())) {
            const QFileInfo entryInfo(entry);
            if (!fresh.contains(entryInfo.absoluteFilePath())) {
                if (!isAudioFile(entryInfo.fileName()) ||
                    d->statistics.filesSeen + outside >= d->maximumFiles)
                    continue;
                ++outside;
            }
            playlist.tracks.append(d->track(entryInfo, fresh));
        }
        collection.playlists.append(std::move(playlist));
    }
    std::sort(collection.playlists.begin(), collection.playlists.end(),
              [](const MusicPlaylist& a, const MusicPlaylist& b) {
                  return a.name.compare(b.name, Qt::CaseInsensitive) != 0
                             ? lessIgnoringCase(a.name, b.name)
                             : lessIgnoringCase(a.filePath, b.filePath);
              });

    // Files gone since the last scan leave the cache.
    d->cache = std::move(fresh);
    return collection;
}

} // namespace korvane
