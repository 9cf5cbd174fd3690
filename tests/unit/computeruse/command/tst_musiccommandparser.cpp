// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandTestSupport.h"
#include "computeruse/command/MusicCommandParser.h"

#include <QTest>

using namespace korvane;
using M = MusicCommand;
using S = MusicScope;
using Opt = std::optional<MusicCommand>;

class MusicCommandParserTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
};

void MusicCommandParserTest::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Opt>("expected");
    auto row = [](const char* name, const char* text, Opt expected) {
        QTest::newRow(name) << QString::fromUtf8(text) << expected;
    };

    row("stop alone", "stop", std::nullopt);
    row("pause beats resume", "stop the music, then continue", M::pause());
    row("resume my playlist", "resume my playlist", M::resume());
    row("resume playback is nothing", "resume playback", std::nullopt);
    row("playback reads as play", "playback jazz", M::play(u"jazz"_qs, S::library()));

    row("named playlist before the play phrase",
        "from my Road Trip playlist play Bohemian Rhapsody",
        M::play(u"Bohemian Rhapsody"_qs, S::playlist(u"Road Trip"_qs)));
    row("named playlist after the query", "play Yesterday from the Beatles Hits playlist",
        M::play(u"Yesterday"_qs, S::playlist(u"Beatles Hits"_qs)));
    row("latest play phrase, list order on ties", "play me something, play the beatles",
        M::play(u"beatles"_qs, S::library()));
    row("playing beats play at the same place", "now playing Abbey Road.",
        M::play(u"Abbey Road"_qs, S::library()));
    row("the word playlist is not a play phrase", "play jazz from my playlists",
        M::play(u"jazz"_qs, S::playlists()));
    row("playlist word with a name in between", "play blues in my playlist",
        M::play(u"blues"_qs, S::playlists()));
    row("music app phrases removed, any case, every one",
        "play jazz IN MY MUSIC APP and blues in my music app",
        M::play(u"jazz and blues"_qs, S::library()));
    row("earlier phrase removed first", "play jazz from music app",
        M::play(u"jazz"_qs, S::library()));
    row("empty query", "play", std::nullopt);
    row("clean-up phrase needs its leading space", "play in music!",
        M::play(u"in music"_qs, S::library()));

    row("open music", "open music", M::open());
}

void MusicCommandParserTest::parse()
{
    QFETCH(QString, text);
    QFETCH(Opt, expected);
    QCOMPARE(MusicCommandParser::parse(text), expected);
}

QTEST_GUILESS_MAIN(MusicCommandParserTest)
#include "tst_musiccommandparser.moc"
