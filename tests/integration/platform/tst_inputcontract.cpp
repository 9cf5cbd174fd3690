// SPDX-License-Identifier: GPL-3.0-or-later
#include "ContractDesktop.h"
#include "platform/AutomationThread.h"
#include "platform/InputSynthesizer.h"
#include "uiautomation/UIAutomation.h"

#include <QTest>
#include <qcoro/qcorofuture.h>

using namespace korvane;
using namespace korvane::test;

// Synthetic input into a real Qt and a real GTK window on every desktop alike: the desktop
// agrees to it, and keys and text arrive in the focused field. Chords and clicks are posted
// the same way by the accessibility contract's key presses and label clicks.
class TestInputContract : public QObject {
    Q_OBJECT

    ContractDesktop m_desktop;

    InputSynthesizer& input() { return *m_desktop.backends().input; }

    // Runs `post` on the automation thread, where the program posts input, while this thread
    // goes on serving its events as the program's main thread does.
    template <typename Function>
    auto posted(Function post)
    {
        auto future = runOnAutomationThread(std::move(post));
        // Past the wait, result() blocks for what is left.
        (void)QTest::qWaitFor([&] { return future.isFinished(); }, 180000);
        return future.result();
    }

    // The row's window, alone, with its field focused and empty.
    void showWithFocusedField()
    {
        QFETCH(ContractDesktop::Probe, probe);
        QString why;
        QVERIFY2(m_desktop.show(probe, &why), qPrintable(why));
        UIAutomation& ui = *m_desktop.backends().ports.uiAutomation;
        QCOMPARE(QCoro::waitFor(ui.focusField(u"File name"_qs)).outcome,
                 UIAutomationResult::Outcome::succeeded);
        QVERIFY(m_desktop.saw(u"focused fileName"_qs));
        m_desktop.clearReports();
    }

    bool type(const QString& text)
    {
        return posted([this, text] {
            for (const QString& scalar : text.split(QString(), Qt::SkipEmptyParts)) {
                if (!input().postUnicode(scalar))
                    return false;
            }
            return true;
        });
    }

private Q_SLOTS:
    void initTestCase()
    {
        QString why;
        if (!m_desktop.start(&why))
            QSKIP(qPrintable(why));
        // The desktop asks once (GNOME shows its consent dialog; the test desktop answers).
        const Outcome ready = posted([this] { return input().prepare(); });
        QVERIFY2(ready, qPrintable(ready.error()));
    }

    // Characters beyond the keyboard layout: X11 binds a spare key to them for the moment;
    // Wayland compositors type only what their layout has, so there the program enters such
    // text through the field's editable text instead.
    void text_data() { ContractDesktop::addProbeRows(); }
    void text()
    {
        showWithFocusedField();
        QVERIFY(type(u"Hello, é€ World!"_qs));
        const QString typed =
            m_desktop.name() == u"x11" ? u"Hello, é€ World!"_qs : u"Hello,  World!"_qs;
        QCOMPARE(m_desktop.fieldText(typed), typed);
        QVERIFY(posted([this] { return input().postKey(Qt::Key_Backspace, {}); }));
        QCOMPARE(m_desktop.fieldText(typed.chopped(1)), typed.chopped(1));
    }
};

QTEST_GUILESS_MAIN(TestInputContract)
#include "tst_inputcontract.moc"
