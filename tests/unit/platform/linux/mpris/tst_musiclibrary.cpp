// SPDX-License-Identifier: GPL-3.0-or-later
#include "TaggedAudioFiles.h"
#include "platform/linux/mpris/MusicLibrary.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace korvane;
using korvane::test::TaggedAudioFiles;

// The library read from a real folder of tagged files.
class TestMusicLibrary : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;
    QTemporaryDir m_elsewhere;

    QString path(const char* relative) const
    {
        return m_root.filePath(QString::fromUtf8(relative));
    }

    static bool write(const QString& path, const QByteArray& content)
    {
        QFile file(path);
        return QDir().mkpath(QFileInfo(path).absolutePath()) && file.open(QIODevice::WriteOnly) &&
               file.write(content) == content.size();
    }

    static QStringList titles(const QList<MusicTrack>& tracks)
    {
        QStringList list;
        for (const MusicTrack& track : tracks)
            list.append(track.title);
        return list;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        QVERIFY(m_elsewhere.isValid());
        QVERIFY(TaggedAudioFiles::writeTagged(path("B Artist/02.wav"), u"Second"_qs, u"B Artist"_qs,
                                              u"Bee"_qs));
        QVERIFY(TaggedAudioFiles::writeTagged(path("a artist/01.wav"), u"First"_qs, u"A Artist"_qs,
                                              u"Ay"_qs));
        // Untagged, its title is the name without the extension.
        QVERIFY(TaggedAudioFiles::writeTagged(path("untagged.song.wav"), {}));
        QVERIFY(write(path("cover.jpg"), "not audio"));
        // Hidden folders (trash, caches) are not part of the library.
        QVERIFY(TaggedAudioFiles::writeTagged(path(".Trash-1000/files/old.wav"), u"Deleted"_qs));
        const QString outside = m_elsewhere.filePath(u"guest.wav"_qs);
        QVERIFY(TaggedAudioFiles::writeTagged(outside, u"Guest"_qs));
        QVERIFY(write(path("lists/Zeta.m3u"), "#EXTM3U\n../a artist/01.wav\n"));
        // Playlists by extension in any case, and only by extension.
        QVERIFY(write(path("notes.m3u.bak"), "B Artist/02.wav\n"));
        QVERIFY(write(path("alpha.M3U8"), "B Artist/02.wav\nmissing.wav\ncover.jpg\n" +
                                              outside.toUtf8() + "\nuntagged.song.wav\n"));
    }

    void collectionOrdersTracksAndPlaylists()
    {
        MusicLibrary library(m_root.path());
        const MusicCollection collection = library.collection();
        QCOMPARE(titles(collection.tracks),
                 (QStringList{u"First"_qs, u"Second"_qs, u"untagged.song"_qs}));

        QCOMPARE(collection.playlists.size(), 2);
        QCOMPARE(collection.playlists.at(0).name, u"alpha"_qs);
        // Missing files and files that are not audio are left out; files outside the folder
        // are read too.
        QCOMPARE(titles(collection.playlists.at(0).tracks),
                 (QStringList{u"Second"_qs, u"Guest"_qs, u"untagged.song"_qs}));
        QCOMPARE(collection.playlists.at(1).name, u"Zeta"_qs);
        QCOMPARE(titles(collection.playlists.at(1).tracks), QStringList{u"First"_qs});
    }

    void secondScanReadsOnlyChangedFiles()
    {
        QTemporaryDir folder;
        const QString song = folder.filePath(u"song.wav"_qs);
        QVERIFY(TaggedAudioFiles::writeTagged(song, u"Old"_qs));
        MusicLibrary library(folder.path());
        library.collection();
        QCOMPARE(library.collection().tracks.at(0).title, u"Old"_qs);
        QCOMPARE(library.lastScan().tagsRead, 0);

        QVERIFY(TaggedAudioFiles::writeTagged(song, u"New"_qs));
        QFile file(song);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                 QFileDevice::FileModificationTime));
        file.close();
        QCOMPARE(library.collection().tracks.at(0).title, u"New"_qs);
        QCOMPARE(library.lastScan().tagsRead, 1);
    }

    void scanStopsAtTheBound()
    {
        MusicLibrary library(m_root.path(), 2);
        const MusicCollection collection = library.collection();
        QVERIFY(library.lastScan().truncated);
        QCOMPARE(library.lastScan().filesSeen, 2);
        QVERIFY(collection.tracks.size() + collection.playlists.size() <= 2);
    }
};

QTEST_GUILESS_MAIN(TestMusicLibrary)
#include "tst_musiclibrary.moc"
