// SPDX-License-Identifier: GPL-3.0-or-later
// How long the music library takes to scan 2,000 small tagged files: with nothing cached (every
// file's tags read with TagLib; the files themselves are in the page cache) and with the cache
// of a previous scan (only sizes and times checked), and one search through the result.
#include "TaggedAudioFiles.h"
#include "platform/linux/mpris/MusicLibrary.h"
#include "platform/linux/mpris/MusicSearch.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace korvane;
using korvane::test::TaggedAudioFiles;

class BenchMusicLibrary : public QObject {
    Q_OBJECT

    static constexpr int trackCount = 2000;
    static constexpr int tracksPerFolder = 50;
    QTemporaryDir m_root;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        for (int i = 0; i < trackCount; ++i) {
            const int artist = i / tracksPerFolder;
            const QString file = m_root.filePath(QStringLiteral("Artist %1/Album %1/%2 Track.wav")
                                                     .arg(artist)
                                                     .arg(i, 4, 10, QChar(u'0')));
            QVERIFY(TaggedAudioFiles::writeTagged(file, QStringLiteral("Track %1").arg(i),
                                                  QStringLiteral("Artist %1").arg(artist),
                                                  QStringLiteral("Album %1").arg(artist), 0.01));
        }
        // Ten playlists of a hundred entries each, relative to the folder.
        for (int list = 0; list < 10; ++list) {
            QFile playlist(m_root.filePath(QStringLiteral("Mix %1.m3u8").arg(list)));
            QVERIFY(playlist.open(QIODevice::WriteOnly));
            playlist.write("#EXTM3U\n");
            for (int i = list * 100; i < (list + 1) * 100; ++i) {
                const int artist = i / tracksPerFolder;
                playlist.write(QStringLiteral("Artist %1/Album %1/%2 Track.wav\n")
                                   .arg(artist)
                                   .arg(i, 4, 10, QChar(u'0'))
                                   .toUtf8());
            }
        }
        MusicLibrary check(m_root.path());
        QCOMPARE(check.collection().tracks.size(), trackCount);
    }

    void scanCold()
    {
        QBENCHMARK
        {
            MusicLibrary library(m_root.path());
            const MusicCollection collection = library.collection();
            QCOMPARE(library.lastScan().tagsRead, trackCount);
            Q_UNUSED(collection)
        }
    }

    void scanCached()
    {
        MusicLibrary library(m_root.path());
        library.collection();
        QBENCHMARK
        {
            const MusicCollection collection = library.collection();
            QCOMPARE(library.lastScan().tagsRead, 0);
            Q_UNUSED(collection)
        }
    }

    void searchWithoutMatch()
    {
        MusicLibrary library(m_root.path());
        const MusicCollection collection = library.collection();
        MusicSearchResult result;
        QBENCHMARK
        {
            result = MusicSearch::find(collection, QStringLiteral("no such song"),
                                       MusicScope::playlists());
        }
        QVERIFY(!result.track);
    }
};

QTEST_GUILESS_MAIN(BenchMusicLibrary)
#include "bench_musiclibrary.moc"
