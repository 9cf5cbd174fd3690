// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/texttospeech/QtSpokenFeedback.h"
#include "support/desktop/TestDesktop.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

using namespace korvane;
using namespace korvane::test;

class TestQtSpokenFeedback final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(u"speech-dispatcher"_qs).isEmpty()) {
            m_whyNot = u"speech-dispatcher is not installed"_qs;
            return;
        }
        // Without an engine the blank-text test still runs against a feedback of its own.
        const auto fallback = qScopeGuard([this] {
            if (!m_feedback)
                m_feedback = std::make_unique<QtSpokenFeedback>();
        });
        if (!m_desktop.startPulseAudio(&m_whyNot))
            return;
        const QString socket = QDir(m_desktop.scratchDirectory()).filePath(u"speechd.sock"_qs);
        QProcessEnvironment extra;
        extra.insert(u"SPEECHD_ADDRESS"_qs, u"unix_socket:"_qs + socket);
        if (!m_desktop.startProcess(
                u"speech-dispatcher"_qs,
                {u"-s"_qs, u"-t"_qs, u"0"_qs, u"-c"_qs, u"unix_socket"_qs, u"-S"_qs, socket},
                &m_whyNot, extra))
            return;
        // The client library finds our private daemon here, never the developer's.
        qputenv("SPEECHD_ADDRESS", (u"unix_socket:"_qs + socket).toLocal8Bit());
        if (!QTest::qWaitFor([&] { return QFileInfo::exists(socket); }, 10000)) {
            m_whyNot = u"speech-dispatcher did not open its socket"_qs;
            return;
        }
        m_engineReady = true;
        m_feedback = std::make_unique<QtSpokenFeedback>();
    }

    void blankTextCompletesAtOnce()
    {
        int calls = 0;
        m_feedback->speak(u"\n\t \n"_qs, [&calls] { ++calls; });
        QCOMPARE(calls, 1);
        QTest::qWait(50);
        QCOMPARE(calls, 1);
    }

    void completionRunsOnceAfterSpeaking()
    {
        if (!m_engineReady)
            QSKIP(qPrintable(m_whyNot));
        QtSpokenFeedback& feedback = *m_feedback;
        int calls = 0;
        feedback.speak(u"  Firefox is open.  "_qs, [&calls] { ++calls; });
        QCOMPARE(calls, 0);
        QTRY_COMPARE_WITH_TIMEOUT(calls, 1, 30000);
        QTest::qWait(300);
        QCOMPARE(calls, 1);

        // Without a completion it speaks and the next request is not disturbed.
        feedback.speak(u"Done."_qs, nullptr);
        QTest::qWait(1500);
        int later = 0;
        feedback.speak(u"Ready."_qs, [&later] { ++later; });
        QTRY_COMPARE_WITH_TIMEOUT(later, 1, 30000);
        QCOMPARE(calls, 1);
    }

    void cutOffKeepsTheNewCompletion()
    {
        if (!m_engineReady)
            QSKIP(qPrintable(m_whyNot));
        QtSpokenFeedback& feedback = *m_feedback;
        int first = 0;
        int second = 0;
        feedback.speak(u"This is a rather long sentence that will be cut off before it ends, "
                       u"because another one comes along."_qs,
                       [&first] { ++first; });
        QTest::qWait(800);
        feedback.speak(u"The second one."_qs, [&second] { ++second; });
        QTRY_COMPARE_WITH_TIMEOUT(second, 1, 30000);
        QTest::qWait(300);
        QCOMPARE(second, 1);
        // Replaced without being called.
        QCOMPARE(first, 0);
    }

private:
    TestDesktop m_desktop;
    // One for all tests: connecting to and leaving speech-dispatcher takes seconds.
    std::unique_ptr<QtSpokenFeedback> m_feedback;
    bool m_engineReady = false;
    QString m_whyNot;
};

QTEST_GUILESS_MAIN(TestQtSpokenFeedback)
#include "tst_qtspokenfeedback.moc"
