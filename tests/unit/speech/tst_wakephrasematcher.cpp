// SPDX-License-Identifier: GPL-3.0-or-later
#include "speech/WakePhraseMatcher.h"
#include "speech/WakeWordVoiceService.h"

#include <QTest>

using namespace korvane;

// Normalization is the spoken-text one, tested with it.
class TestWakePhraseMatcher final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void match_data()
    {
        QTest::addColumn<QString>("transcript");
        QTest::addColumn<QString>("phrase");
        // "-" when no phrase matched; "<absent>" when nothing followed it.
        QTest::addColumn<QString>("suffix");
        QTest::newRow("suffix") << u"Hey Korva, open Safari"_qs << u"hey korva"_qs
                                << u"open safari"_qs;
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

    void match()
    {
        QFETCH(QString, transcript);
        QFETCH(QString, phrase);
        QFETCH(QString, suffix);
        const auto found = WakePhraseMatcher::match(WakePhraseMatcher::normalized(transcript),
                                                    WakeWordVoiceService::defaultWakePhrases());
        QCOMPARE(found ? found->phrase : u"-"_qs, phrase);
        if (found)
            QCOMPARE(found->commandSuffix.value_or(u"<absent>"_qs), suffix);
    }
};

QTEST_GUILESS_MAIN(TestWakePhraseMatcher)
#include "tst_wakephrasematcher.moc"
