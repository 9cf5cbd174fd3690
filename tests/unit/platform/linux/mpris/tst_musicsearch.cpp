// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/mpris/MusicSearch.h"

#include <QTest>

using namespace korvane;

Q_DECLARE_METATYPE(korvane::MusicScope)

namespace {

MusicTrack track(const char* file, const QString& title, const QString& artist,
                 const QString& album)
{
    return {QStringLiteral("/music/") + QString::fromUtf8(file), title, artist, album};
}

const MusicTrack blueInGreen = track("a.wav", QStringLiteral("Blue in Green"),
                                     QStringLiteral("Miles Davis"), QStringLiteral("Kind of Blue"));
const MusicTrack soWhat = track("b.wav", QStringLiteral("So What"), QStringLiteral("Miles Davis"),
                                QStringLiteral("Kind of Blue"));
const MusicTrack single = track("c.wav", QStringLiteral("12\" Single"), QStringLiteral("DJ Quote"),
                                QStringLiteral("Vinyl"));
const MusicTrack bohemian = track("d.wav", QStringLiteral("Bohemian Rhapsody"),
                                  QStringLiteral("Queen"), QStringLiteral("A Night at the Opera"));
const MusicTrack strasse = track("e.wav", QStringLiteral("Junge"), QStringLiteral("Die \u00c4rzte"),
                                 QStringLiteral("Jazz ist anders"));

MusicCollection collection()
{
    return {{blueInGreen, soWhat, single, bohemian, strasse},
            {{QStringLiteral("Jazz Evening"), {}, {soWhat, blueInGreen}},
             {QStringLiteral("Road Trip"), {}, {bohemian, single}},
             {QStringLiteral("Road Trip Extended"), {}, {single}},
             {QStringLiteral("Empty"), {}, {}}}};
}

} // namespace

// The player's search, one scope at a time, over a library held in memory.
class TestMusicSearch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void find_data()
    {
        QTest::addColumn<MusicScope>("scope");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("expectedFile");
        QTest::addColumn<QString>("expectedError");

        const MusicScope library = MusicScope::library();
        const MusicScope playlists = MusicScope::playlists();
        const auto named = [](const char* name) {
            return MusicScope::playlist(QString::fromUtf8(name));
        };

        QTest::newRow("library: artist, first in library order")
            << library << QStringLiteral("miles") << blueInGreen.filePath << QString();
        QTest::newRow("library: title inside a word")
            << library << QStringLiteral("hat") << soWhat.filePath << QString();
        QTest::newRow("library: letter case beyond ASCII")
            << library << QStringLiteral("\u00e4rzte") << strasse.filePath << QString();
        QTest::newRow("library: no match") << library << QStringLiteral("Mozart") << QString()
                                           << QStringLiteral("No library results for Mozart");
        QTest::newRow("playlists: playlist order decides, not library order")
            << playlists << QStringLiteral("miles") << soWhat.filePath << QString();
        QTest::newRow("playlists: in the library only")
            << playlists << QStringLiteral("Junge") << QString()
            << QStringLiteral("No playlist results for Junge");
        QTest::newRow("named: exact name")
            << named("Road Trip") << QStringLiteral("single") << single.filePath << QString();
        QTest::newRow("named: part of the name, first playlist containing it")
            << named("trip") << QStringLiteral("queen") << bohemian.filePath << QString();
        QTest::newRow("named: no match names the playlist found")
            << named("extended") << QStringLiteral("bohemian") << QString()
            << QStringLiteral("No results for bohemian in Road Trip Extended");
        QTest::newRow("named: no such playlist")
            << named("Classical") << QStringLiteral("queen") << QString()
            << QStringLiteral("No playlist named Classical");
        QTest::newRow("named: a playlist name is not a track match")
            << named("Jazz Evening") << QStringLiteral("Jazz ist") << QString()
            << QStringLiteral("No results for Jazz ist in Jazz Evening");
    }

    void find()
    {
        QFETCH(MusicScope, scope);
        QFETCH(QString, query);
        QFETCH(QString, expectedFile);
        QFETCH(QString, expectedError);

        const MusicSearchResult result = MusicSearch::find(collection(), query, scope);
        QCOMPARE(result.track ? result.track->filePath : QString(), expectedFile);
        QCOMPARE(result.error, expectedError);
    }
};

QTEST_GUILESS_MAIN(TestMusicSearch)
#include "tst_musicsearch.moc"
