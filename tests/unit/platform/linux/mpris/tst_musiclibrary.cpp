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
        QVERIFY(TaggedAudioFiles::writeSilence(path("untagged.song.wav")));
        QVERIFY(write(path("cover.jpg"), "not audio"));
        // Hidden folders (trash, caches) are not part of the library.
        QVERIFY(TaggedAudioFiles::writeTagged(path(".Trash-1000/files/old.wav"), u"Deleted"_qs));
        const QString outside = m_elsewhere.filePath(u"guest.wav"_qs);
        QVERIFY(TaggedAudioFiles::writeTagged(outside, u"Guest"_qs));
        QVERIFY(write(path("lists/Zeta.m3u"), "#EXTM3U\n../a artist/01.wav\n"));
        QVERIFY(write(path("alpha.m3u8"), "B Artist/02.wav\nmissing.wav\ncover.jpg\n" +
                                              outside.toUtf8() + "\nuntagged.song.wav\n"));
    }

    void collectionOrdersTracksAndPlaylists()
    {
        MusicLibrary library(m_root.path());
        const MusicCollection collection = library.collection();
        QCOMPARE(titles(collection.tracks),
                 (QStringList{u"First"_qs, u"Second"_qs, u"untagged.song"_qs}));
        QCOMPARE(collection.tracks.at(1).artist, u"B Artist"_qs);
        QCOMPARE(collection.tracks.at(1).album, u"Bee"_qs);

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
        const QString one = folder.filePath(u"one.wav"_qs);
        const QString two = folder.filePath(u"two.wav"_qs);
        QVERIFY(TaggedAudioFiles::writeTagged(one, u"One"_qs));
        QVERIFY(TaggedAudioFiles::writeTagged(two, u"Two"_qs));
        MusicLibrary library(folder.path());

        const MusicCollection first = library.collection();
        QCOMPARE(library.lastScan().tagsRead, 2);
        QCOMPARE(library.collection(), first);
        QCOMPARE(library.lastScan().tagsRead, 0);

        QVERIFY(TaggedAudioFiles::tag(two, u"Two, retagged"_qs));
        QFile file(two);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                 QFileDevice::FileModificationTime));
        file.close();
        QCOMPARE(titles(library.collection().tracks),
                 (QStringList{u"One"_qs, u"Two, retagged"_qs}));
        QCOMPARE(library.lastScan().tagsRead, 1);

        QVERIFY(QFile::remove(one));
        QCOMPARE(titles(library.collection().tracks), QStringList{u"Two, retagged"_qs});
    }

    void scanStopsAtTheBound()
    {
        MusicLibrary library(m_root.path(), 2);
        const MusicCollection collection = library.collection();
        QVERIFY(library.lastScan().truncated);
        QCOMPARE(library.lastScan().filesSeen, 2);
        QVERIFY(collection.tracks.size() + collection.playlists.size() <= 2);

        MusicLibrary unbounded(m_root.path());
        unbounded.collection();
        QVERIFY(!unbounded.lastScan().truncated);
    }

    void missingFolderIsEmpty()
    {
        MusicLibrary library(m_root.filePath(u"no such folder"_qs));
        QCOMPARE(library.collection(), MusicCollection{});
    }
};

QTEST_GUILESS_MAIN(TestMusicLibrary)
#include "tst_musiclibrary.moc"
