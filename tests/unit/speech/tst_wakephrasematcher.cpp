// SPDX-License-Identifier: GPL-3.0-or-later
#include "speech/WakePhraseMatcher.h"
#include "speech/WakeWordVoiceService.h"

#include <QTest>

using namespace korvane;

class TestWakePhraseMatcher final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void normalized_data();
    void normalized();
    void match_data();
    void match();
};

void TestWakePhraseMatcher::normalized_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("punctuation") << u"Hey, Korva!"_qs << u"hey korva"_qs;
    QTest::newRow("runs of spaces") << u"  hey    korva  open "_qs << u"hey korva open"_qs;
    QTest::newRow("digits kept") << u"Open Tab 2."_qs << u"open tab 2"_qs;
    QTest::newRow("hyphen joins") << u"hey korva-open"_qs << u"hey korvaopen"_qs;
    QTest::newRow("letters beyond ASCII") << u"Hé, Kôrva"_qs << u"hé kôrva"_qs;
    QTest::newRow("letter outside the BMP") << u"a\U0001D400b"_qs << u"a\U0001D400b"_qs;
    // Only the space character separates; a tab stays inside its piece.
    QTest::newRow("tab kept") << u"hey\tkorva"_qs << u"hey\tkorva"_qs;
    QTest::newRow("only symbols") << u"?!…"_qs << QString();
}

void TestWakePhraseMatcher::normalized()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(WakePhraseMatcher::normalized(text), expected);
}

void TestWakePhraseMatcher::match_data()
{
    QTest::addColumn<QString>("transcript");
    QTest::addColumn<QString>("phrase");
    // "-" when no phrase matched; "<absent>" when nothing followed it.
    QTest::addColumn<QString>("suffix");

    QTest::newRow("suffix") << u"Hey Korva, open Safari"_qs << u"hey korva"_qs << u"open safari"_qs;
    QTest::newRow("phrase alone") << u"hey korva"_qs << u"hey korva"_qs << u"<absent>"_qs;
    QTest::newRow("words before the phrase")
        << u"so hey gorva play jazz"_qs << u"hey gorva"_qs << u"play jazz"_qs;
    QTest::newRow("first occurrence")
        << u"hey korva hey korva stop"_qs << u"hey korva"_qs << u"hey korva stop"_qs;
    QTest::newRow("list order wins")
        << u"hey korr hey korva"_qs << u"hey korva"_qs << u"<absent>"_qs;
    QTest::newRow("no phrase") << u"hey there korva"_qs << u"-"_qs << u"-"_qs;
    QTest::newRow("tab breaks the phrase") << u"hey\tkorva open"_qs << u"-"_qs << u"-"_qs;
    QTest::newRow("trailing tab trimmed")
        << u"hey korva \t"_qs << u"hey korva"_qs << u"<absent>"_qs;
}

void TestWakePhraseMatcher::match()
{
    QFETCH(QString, transcript);
    QFETCH(QString, phrase);
    QFETCH(QString, suffix);

    const auto found = WakePhraseMatcher::match(WakePhraseMatcher::normalized(transcript),
                                                WakeWordVoiceService::defaultWakePhrases());
    if (phrase == u"-") {
        QVERIFY(!found);
        return;
    }
    QVERIFY(found);
    QCOMPARE(found->phrase, phrase);
    if (suffix == u"<absent>")
        QVERIFY(!found->commandSuffix);
    else
        QCOMPARE(found->commandSuffix.value_or(u"<absent>"_qs), suffix);
}

QTEST_GUILESS_MAIN(TestWakePhraseMatcher)
#include "tst_wakephrasematcher.moc"
