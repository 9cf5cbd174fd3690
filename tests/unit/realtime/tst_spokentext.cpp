// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/SpokenText.h"

#include <QTest>

using namespace korvane;

class SpokenTextTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void normalized_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("apostrophe and mark") << u"That's it!"_qs << u"thats it"_qs;
        QTest::newRow("runs of spaces") << u"  All   done.  "_qs << u"all done"_qs;
        QTest::newRow("digits kept") << u"Open tab 3, please"_qs << u"open tab 3 please"_qs;
        QTest::newRow("letters beyond ASCII") << u"Ça VA, Ådne?"_qs << u"ça va ådne"_qs;
        QTest::newRow("letter outside the basic plane") << u"x\U00010400y"_qs << u"x\U00010428y"_qs;
        QTest::newRow("emoji dropped") << u"stop \U0001F600"_qs << u"stop"_qs;
        // Only the space character separates words: a tab stays inside its piece.
        QTest::newRow("tab stays") << u"all\tdone"_qs << u"all\tdone"_qs;
        QTest::newRow("hyphen joins") << u"never-mind"_qs << u"nevermind"_qs;
        QTest::newRow("only symbols") << u"?!…"_qs << QString();
    }

    void normalized()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(SpokenText::normalized(text), expected);
    }

    void intents_data()
    {
        QTest::addColumn<QString>("transcript");
        QTest::addColumn<bool>("wake");
        QTest::addColumn<bool>("stop");
        QTest::newRow("all done") << u"All done."_qs << false << true;
        QTest::newRow("stop word inside") << u"please stop now"_qs << false << true;
        QTest::newRow("stopping is no stop word") << u"stopping by the shop"_qs << false << false;
        QTest::newRow("done only as the whole text") << u"I am done with it"_qs << false << false;
        QTest::newRow("wake with a command") << u"Hey Korva, open Mail."_qs << true << false;
        QTest::newRow("wake inside a word run") << u"okay hey korvatron"_qs << true << false;
        QTest::newRow("wake and stop") << u"Hey Korva, stop."_qs << true << true;
        QTest::newRow("wake split by a mark") << u"hey, korva"_qs << true << false;
        QTest::newRow("plain request") << u"open the calendar"_qs << false << false;
    }

    void intents()
    {
        QFETCH(QString, transcript);
        QFETCH(bool, wake);
        QFETCH(bool, stop);
        QCOMPARE(SpokenText::containsWakePhrase(transcript), wake);
        QCOMPARE(SpokenText::isStopCommand(transcript), stop);
    }
};

QTEST_GUILESS_MAIN(SpokenTextTest)
#include "tst_spokentext.moc"
