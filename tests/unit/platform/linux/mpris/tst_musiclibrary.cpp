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
        QVERIFY(TaggedAudioFiles::writeTagged(path("B Artist/02.wav"), QStringLiteral("Second"),
                                              QStringLiteral("B Artist"), QStringLiteral("Bee")));
        QVERIFY(TaggedAudioFiles::writeTagged(path("a artist/01.wav"), QStringLiteral("First"),
                                              QStringLiteral("A Artist"), QStringLiteral("Ay")));
        QVERIFY(TaggedAudioFiles::writeSilence(path("untagged song.wav")));
        QVERIFY(write(path("cover.jpg"), "not audio"));
        // Hidden folders (trash, caches) are not part of the library.
        QVERIFY(TaggedAudioFiles::writeTagged(path(".Trash-1000/files/old.wav"),
                                              QStringLiteral("Deleted")));
        const QString outside = m_elsewhere.filePath(QStringLiteral("guest.wav"));
        QVERIFY(TaggedAudioFiles::writeTagged(outside, QStringLiteral("Guest")));
        QVERIFY(write(path("lists/Zeta.m3u"), "#EXTM3U\n../a artist/01.wav\n"));
        QVERIFY(write(path("alpha.m3u8"), "B Artist/02.wav\nmissing.wav\ncover.jpg\n" +
                                              outside.toUtf8() + "\nuntagged song.wav\n"));
    }

    void readTrack_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("artist");
        QTest::addColumn<QString>("album");
        QTest::addColumn<QString>("expectedTitle");

        QTest::newRow("all tags") << QStringLiteral("Title") << QStringLiteral("Artist")
                                  << QStringLiteral("Album") << QStringLiteral("Title");
        QTest::newRow("no title: the base name")
            << QString() << QStringLiteral("Artist") << QString() << QStringLiteral("my.song");
        QTest::newRow("non-ASCII tags")
            << QStringLiteral("J\u00f3ga") << QStringLiteral("Bj\u00f6rk")
            << QStringLiteral("Homogenic") << QStringLiteral("J\u00f3ga");
    }

    void readTrack()
    {
        QFETCH(QString, title);
        QFETCH(QString, artist);
        QFETCH(QString, album);
        QFETCH(QString, expectedTitle);

        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("my.song.wav"));
        QVERIFY(TaggedAudioFiles::writeTagged(file, title, artist, album));
        const MusicTrack track = MusicLibrary::readTrack(file);
        QCOMPARE(track.filePath, file);
        QCOMPARE(track.title, expectedTitle);
        QCOMPARE(track.artist, artist.trimmed());
        QCOMPARE(track.album, album.trimmed());
    }

    void collectionOrdersTracksAndPlaylists()
    {
        MusicLibrary library(m_root.path());
        const MusicCollection collection = library.collection();
        QCOMPARE(titles(collection.tracks),
                 (QStringList{QStringLiteral("First"), QStringLiteral("Second"),
                              QStringLiteral("untagged song")}));
        QCOMPARE(collection.tracks.at(1).artist, QStringLiteral("B Artist"));
        QCOMPARE(collection.tracks.at(1).album, QStringLiteral("Bee"));

        QCOMPARE(collection.playlists.size(), 2);
        QCOMPARE(collection.playlists.at(0).name, QStringLiteral("alpha"));
        // Missing files and files that are not audio are left out; files outside the folder
        // are read too.
        QCOMPARE(titles(collection.playlists.at(0).tracks),
                 (QStringList{QStringLiteral("Second"), QStringLiteral("Guest"),
                              QStringLiteral("untagged song")}));
        QCOMPARE(collection.playlists.at(1).name, QStringLiteral("Zeta"));
        QCOMPARE(titles(collection.playlists.at(1).tracks), QStringList{QStringLiteral("First")});
    }

    void secondScanReadsOnlyChangedFiles()
    {
        QTemporaryDir folder;
        const QString one = folder.filePath(QStringLiteral("one.wav"));
        const QString two = folder.filePath(QStringLiteral("two.wav"));
        QVERIFY(TaggedAudioFiles::writeTagged(one, QStringLiteral("One")));
        QVERIFY(TaggedAudioFiles::writeTagged(two, QStringLiteral("Two")));
        MusicLibrary library(folder.path());

        const MusicCollection first = library.collection();
        QCOMPARE(library.lastScan().tagsRead, 2);
        QCOMPARE(library.collection(), first);
        QCOMPARE(library.lastScan().tagsRead, 0);

        QVERIFY(TaggedAudioFiles::tag(two, QStringLiteral("Two, retagged")));
        QFile file(two);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                 QFileDevice::FileModificationTime));
        file.close();
        QCOMPARE(titles(library.collection().tracks),
                 (QStringList{QStringLiteral("One"), QStringLiteral("Two, retagged")}));
        QCOMPARE(library.lastScan().tagsRead, 1);

        QVERIFY(QFile::remove(one));
        QCOMPARE(titles(library.collection().tracks), QStringList{QStringLiteral("Two, retagged")});
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
        MusicLibrary library(m_root.filePath(QStringLiteral("no such folder")));
        QCOMPARE(library.collection(), MusicCollection{});
    }
};

QTEST_GUILESS_MAIN(TestMusicLibrary)
#include "tst_musiclibrary.moc"
