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

        const QString folder = QStringLiteral("/music/lists/");
        QTest::newRow("relative to the playlist's folder")
            << QByteArray("a.mp3\n") << QStringList{folder + u"a.mp3"};
        QTest::newRow("header and EXTINF lines are skipped")
            << QByteArray("#EXTM3U\n#EXTINF:123,Artist - Title\nsong.mp3\n# a comment\n")
            << QStringList{folder + u"song.mp3"};
        QTest::newRow("CRLF line ends") << QByteArray("#EXTM3U\r\none.mp3\r\ntwo.mp3\r\n")
                                        << QStringList{folder + u"one.mp3", folder + u"two.mp3"};
        QTest::newRow("file URL with an escaped space")
            << QByteArray("file:///srv/My%20Song.mp3")
            << QStringList{QStringLiteral("/srv/My Song.mp3")};
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
            << QByteArray("Bj\xf6rk.mp3\n")
            << QStringList{folder + QStringLiteral("Bj\u00f6rk.mp3")};
        QTest::newRow("dot segments are cleaned")
            << QByteArray("./x/../y.mp3\n") << QStringList{folder + u"y.mp3"};
    }

    void entries()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, expected);
        QCOMPARE(PlaylistFile::entries(content, QStringLiteral("/music/lists")), expected);
    }

    void existingEntriesSkipsMissingFiles()
    {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString present = root.filePath(QStringLiteral("albums/present.mp3"));
        const QString absolute = root.filePath(QStringLiteral("elsewhere/\u00e9t\u00e9.flac"));
        QVERIFY(write(present, "x"));
        QVERIFY(write(absolute, "x"));
        const QString playlist = root.filePath(QStringLiteral("lists/mix.m3u8"));
        QVERIFY(write(playlist, "#EXTM3U\r\n#EXTINF:1,Present\r\n../albums/present.mp3\r\n"
                                "../albums/missing.mp3\r\n" +
                                    absolute.toUtf8() + "\r\n../albums\r\n"));

        QCOMPARE(PlaylistFile::existingEntries(playlist), (QStringList{present, absolute}));
        QCOMPARE(PlaylistFile::existingEntries(root.filePath(QStringLiteral("lists/none.m3u"))),
                 QStringList{});
    }

    void isPlaylist_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("expected");
        QTest::newRow("m3u8, upper case") << QStringLiteral("MIX.M3U8") << true;
        QTest::newRow("pls") << QStringLiteral("radio.pls") << false;
        QTest::newRow("m3u inside the name") << QStringLiteral("a.m3u.bak") << false;
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
