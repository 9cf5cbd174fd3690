// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/mpris/PlaylistFile.h"

#include <QTest>

using namespace korvane;

// Playlist text to the files it names.
class TestPlaylistFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void entries_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("expected");

        const QString folder = u"/music/lists/"_qs;
        QTest::newRow("file URL with an escaped space")
            << QByteArray("file:///srv/My%20Song.mp3") << QStringList{u"/srv/My Song.mp3"_qs};
        QTest::newRow("relative file URL is relative to the playlist")
            << QByteArray("file:rel.mp3\nfile:\n") << QStringList{folder + u"rel.mp3"};
        QTest::newRow("network streams are dropped")
            << QByteArray("http://radio.invalid/stream\nlocal.mp3\n")
            << QStringList{folder + u"local.mp3"};
        QTest::newRow("colon in a file name is not a scheme")
            << QByteArray("Track: One.mp3\n") << QStringList{folder + u"Track: One.mp3"};
        QTest::newRow("UTF-8 byte order mark, Windows line ends")
            << QByteArray("\xef\xbb\xbf#EXTM3U\r\nsong.mp3\r\n")
            << QStringList{folder + u"song.mp3"};
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
};

QTEST_GUILESS_MAIN(TestPlaylistFile)
#include "tst_playlistfile.moc"
