// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/mpris/MusicSearch.h"

#include <QTest>

using namespace korvane;

Q_DECLARE_METATYPE(korvane::MusicScope)

namespace {

MusicTrack track(const char* file, const QString& title, const QString& artist,
                 const QString& album)
{
    return {u"/music/"_qs + QString::fromUtf8(file), title, artist, album};
}

const MusicTrack blueInGreen =
    track("a.wav", u"Blue in Green"_qs, u"Miles Davis"_qs, u"Kind of Blue"_qs);
const MusicTrack soWhat = track("b.wav", u"So What"_qs, u"Miles Davis"_qs, u"Kind of Blue"_qs);
const MusicTrack single = track("c.wav", u"12\" Single"_qs, u"DJ Quote"_qs, u"Vinyl"_qs);
const MusicTrack bohemian =
    track("d.wav", u"Bohemian Rhapsody"_qs, u"Queen"_qs, u"A Night at the Opera"_qs);
const MusicTrack strasse = track("e.wav", u"Junge"_qs, u"Die \u00c4rzte"_qs, u"Jazz ist anders"_qs);

MusicCollection collection()
{
    return {{blueInGreen, soWhat, single, bohemian, strasse},
            {{u"Jazz Evening"_qs, {}, {soWhat, blueInGreen}},
             {u"Road Trip"_qs, {}, {bohemian, single}},
             {u"Road Trip Extended"_qs, {}, {single}},
             {u"Empty"_qs, {}, {}}}};
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
            << library << u"miles"_qs << blueInGreen.filePath << QString();
        QTest::newRow("library: title inside a word")
            << library << u"hat"_qs << soWhat.filePath << QString();
        QTest::newRow("library: letter case beyond ASCII")
            << library << u"\u00e4rzte"_qs << strasse.filePath << QString();
        QTest::newRow("library: no match")
            << library << u"Mozart"_qs << QString() << u"No library results for Mozart"_qs;
        QTest::newRow("playlists: playlist order decides, not library order")
            << playlists << u"miles"_qs << soWhat.filePath << QString();
        QTest::newRow("playlists: in the library only")
            << playlists << u"Junge"_qs << QString() << u"No playlist results for Junge"_qs;
        QTest::newRow("named: part of the name, first playlist containing it")
            << named("trip") << u"queen"_qs << bohemian.filePath << QString();
        QTest::newRow("named: no match names the playlist found")
            << named("extended") << u"bohemian"_qs << QString()
            << u"No results for bohemian in Road Trip Extended"_qs;
        QTest::newRow("named: no such playlist")
            << named("Classical") << u"queen"_qs << QString() << u"No playlist named Classical"_qs;
        QTest::newRow("named: a playlist name is not a track match")
            << named("Jazz Evening") << u"Jazz ist"_qs << QString()
            << u"No results for Jazz ist in Jazz Evening"_qs;
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
