// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/mpris/PlaylistFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace korvane;

// Playlist text to the files it names.
class TestPlaylistFile : public QObject {
    Q_OBJECT

    static bool write(const QString& path, const QByteArray& content)
    {
        QFile file(path);
        return QDir().mkpath(QFileInfo(path).absolutePath()) && file.open(QIODevice::WriteOnly) &&
               file.write(content) == content.size();
    }

private Q_SLOTS:
    void entries_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("expected");

        const QString folder = u"/music/lists/"_qs;
        QTest::newRow("header and EXTINF lines are skipped")
            << QByteArray("#EXTM3U\n#EXTINF:123,Artist - Title\nsong.mp3\n# a comment\n")
            << QStringList{folder + u"song.mp3"};
        QTest::newRow("file URL with an escaped space")
            << QByteArray("file:///srv/My%20Song.mp3") << QStringList{u"/srv/My Song.mp3"_qs};
        QTest::newRow("relative file URL is relative to the playlist")
            << QByteArray("file:rel.mp3\nfile:\n") << QStringList{folder + u"rel.mp3"};
        QTest::newRow("network streams are dropped")
            << QByteArray("http://radio.invalid/stream\nlocal.mp3\n")
            << QStringList{folder + u"local.mp3"};
        QTest::newRow("colon in a file name is not a scheme")
            << QByteArray("Track: One.mp3\n") << QStringList{folder + u"Track: One.mp3"};
        QTest::newRow("UTF-8 byte order mark")
            << QByteArray("\xef\xbb\xbf#EXTM3U\nsong.mp3\n") << QStringList{folder + u"song.mp3"};
        QTest::newRow("Latin-1 when not UTF-8")
            << QByteArray("Bj\xf6rk.mp3\n") << QStringList{folder + u"Bj\u00f6rk.mp3"_qs};
        QTest::newRow("dot segments are cleaned")
            << QByteArray("./x/../y.mp3\n") << QStringList{folder + u"y.mp3"};
    }

    void entries()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, expected);
        QCOMPARE(PlaylistFile::entries(content, u"/music/lists"_qs), expected);
    }

    void existingEntriesSkipsMissingFiles()
    {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString present = root.filePath(u"albums/present.mp3"_qs);
        const QString absolute = root.filePath(u"elsewhere/\u00e9t\u00e9.flac"_qs);
        QVERIFY(write(present, "x"));
        QVERIFY(write(absolute, "x"));
        const QString playlist = root.filePath(u"lists/mix.m3u8"_qs);
        QVERIFY(write(playlist, "#EXTM3U\r\n#EXTINF:1,Present\r\n../albums/present.mp3\r\n"
                                "../albums/missing.mp3\r\n" +
                                    absolute.toUtf8() + "\r\n../albums\r\n"));

        QCOMPARE(PlaylistFile::existingEntries(playlist), (QStringList{present, absolute}));
        QCOMPARE(PlaylistFile::existingEntries(root.filePath(u"lists/none.m3u"_qs)), QStringList{});
    }

    void isPlaylist_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("expected");
        QTest::newRow("m3u8, upper case") << u"MIX.M3U8"_qs << true;
        QTest::newRow("m3u inside the name") << u"a.m3u.bak"_qs << false;
    }

    void isPlaylist()
    {
        QFETCH(QString, name);
        QFETCH(bool, expected);
        QCOMPARE(PlaylistFile::isPlaylist(name), expected);
    }
};

QTEST_GUILESS_MAIN(TestPlaylistFile)
#include "tst_playlistfile.moc"
