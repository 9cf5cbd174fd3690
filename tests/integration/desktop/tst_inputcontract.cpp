#include "ContractDesktop.h"
#include "platform/AccessibilityTree.h"
#include "platform/AutomationThread.h"
#include "platform/InputSynthesizer.h"
#include "uiautomation/UIAutomation.h"

#include <QTest>
#include <qcoro/qcorofuture.h>

using namespace korvane;
using namespace korvane::test;

Q_DECLARE_METATYPE(korvane::test::ContractDesktop::Probe)

// Synthetic input into a real Qt and a real GTK window on every desktop alike: the desktop
// agrees to it, keys and text arrive in the focused field, chords reach the window's
// shortcuts, and clicks land where they were aimed wherever element places are known.
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

    void probes()
    {
        QTest::addColumn<ContractDesktop::Probe>("probe");
        QTest::newRow("qt") << ContractDesktop::Probe::qt;
        QTest::newRow("gtk") << ContractDesktop::Probe::gtk;
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

    void text_data() { probes(); }
    void text()
    {
        showWithFocusedField();
        QVERIFY(type(u"Hello, World!"_qs));
        QCOMPARE(m_desktop.fieldText(u"Hello, World!"_qs), u"Hello, World!"_qs);
        QVERIFY(posted([this] { return input().postKey(Qt::Key_Backspace, {}); }));
        QCOMPARE(m_desktop.fieldText(u"Hello, World"_qs), u"Hello, World"_qs);
    }

    // Characters beyond the keyboard layout: X11 binds a spare key to them for the moment;
    // Wayland compositors type only what their layout has, so there the program enters such
    // text through the field's editable text instead.
    void textBeyondTheLayout_data() { probes(); }
    void textBeyondTheLayout()
    {
        showWithFocusedField();
        QVERIFY(type(u"aé€b"_qs));
        const bool waylandCompositor = m_desktop.name() == u"gnome" || m_desktop.name() == u"kde";
        const QString expected = waylandCompositor ? u"ab"_qs : u"aé€b"_qs;
        QCOMPARE(m_desktop.fieldText(expected), expected);
    }

    void chord_data() { probes(); }
    void chord()
    {
        showWithFocusedField();
        QVERIFY(posted([this] {
            return input().postKey(Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
        }));
        QVERIFY2(m_desktop.saw(u"shortcut ctrl+shift+t"_qs),
                 qPrintable(m_desktop.reports().join(u',')));
    }

    void click_data() { probes(); }
    void click()
    {
        showWithFocusedField();
        AccessibilityTree& tree = *m_desktop.backends().accessibility;
        const qint64 processId = m_desktop.processId();
        const std::optional<QRectF> frame = posted([&tree, processId] {
            // The Save button: the first pressable button of the window.
            QList<AccessibleElement> queue{tree.applicationElement(processId)};
            for (qsizetype i = 0; i < queue.size(); ++i) {
                if (tree.role(queue[i]) == AccessibleRole::button &&
                    tree.text(queue[i], AccessibleText::title) == u"Save")
                    return tree.frame(queue[i]);
                queue.append(tree.children(queue[i]));
            }
            return std::optional<QRectF>();
        });
        if (!m_desktop.knowsElementPlaces()) {
            QVERIFY(!frame);
            QVERIFY(!posted([this] { return input().postClick(QPointF(100, 100)); }));
            return;
        }
        QVERIFY(frame);
        QVERIFY(posted([this, center = frame->center()] { return input().postClick(center); }));
        QVERIFY2(m_desktop.saw(u"clicked Save"_qs), qPrintable(m_desktop.reports().join(u',')));
    }
};

QTEST_GUILESS_MAIN(TestInputContract)
#include "tst_inputcontract.moc"
