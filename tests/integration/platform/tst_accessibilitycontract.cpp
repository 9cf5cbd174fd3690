// SPDX-License-Identifier: GPL-3.0-or-later
#include "ContractDesktop.h"
#include "uiautomation/UIAutomation.h"

#include <QTest>

using namespace korvane;
using namespace korvane::test;

Q_DECLARE_METATYPE(korvane::UIAutomationResult)

namespace {

QString describe(const QList<UIElementDescription>& elements)
{
    QStringList lines;
    for (const UIElementDescription& element : elements)
        lines.append(u'[' + element.role + u"] "_qs + element.name);
    return lines.join(u", "_qs);
}

} // namespace

namespace korvane {

char* toString(const UIAutomationResult& result)
{
    return qstrdup(qPrintable(QString::number(int(result.outcome)) + u' ' + result.message));
}

} // namespace korvane

// The accessibility tree, read and operated through the UI automation service, on every
// desktop alike: a real Qt and a real GTK window list their elements, are pressed, focused
// and typed into, and say so.
class TestAccessibilityContract : public QObject {
    Q_OBJECT

    ContractDesktop m_desktop;
    std::optional<ContractDesktop::Probe> m_shown;

    UIAutomation& ui() { return *m_desktop.backends().ports.uiAutomation; }

    // Shows the row's window (a new one for each test that changes it) with reports cleared.
    void show(bool fresh = false)
    {
        QFETCH(ContractDesktop::Probe, probe);
        if (fresh || m_shown != probe) {
            QString why;
            QVERIFY2(m_desktop.show(probe, &why), qPrintable(why));
            m_shown = probe;
        }
        m_desktop.clearReports();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QString why;
        if (!m_desktop.start(&why))
            QSKIP(qPrintable(why));
    }

    void listing_data() { ContractDesktop::addProbeRows(); }
    void listing()
    {
        show();
        const QList<UIElementDescription> elements = QCoro::waitFor(ui().getVisibleElements());
        const QList<QPair<QString, QString>> expected = {
            {u"AXButton"_qs, u"Save"_qs},
            {u"AXTextField"_qs, u"File name"_qs},
            {u"AXCheckBox"_qs, u"Overwrite"_qs},
            {u"AXStaticText"_qs, u"Terms and conditions"_qs},
        };
        for (const auto& [role, name] : expected) {
            const bool listed = std::any_of(elements.cbegin(), elements.cend(), [&](const auto& e) {
                return e.role == role && e.name == name;
            });
            QVERIFY2(listed, qPrintable(role + u' ' + name + u" in "_qs + describe(elements)));
        }
    }

    void press_data() { ContractDesktop::addProbeRows(); }
    void press()
    {
        show();
        QCOMPARE(QCoro::waitFor(ui().clickVisibleElement(u"Save"_qs)),
                 UIAutomationResult::succeeded(u"Clicked Save."_qs));
        QVERIFY(m_desktop.saw(u"clicked Save"_qs));
        QCOMPARE(QCoro::waitFor(ui().clickVisibleElement(u"overwrite"_qs)),
                 UIAutomationResult::succeeded(u"Clicked overwrite."_qs));
        QVERIFY(m_desktop.saw(u"toggled Overwrite on"_qs));
    }

    // A label has nothing to press: it is clicked at its centre where its place is known, and
    // where it is not, the click is said to have failed rather than pretended.
    void clickWithoutAction_data() { ContractDesktop::addProbeRows(); }
    void clickWithoutAction()
    {
        show();
        const UIAutomationResult result = QCoro::waitFor(ui().clickVisibleElement(u"Terms"_qs));
        if (m_desktop.knowsElementPlaces()) {
            QCOMPARE(result, UIAutomationResult::succeeded(u"Clicked Terms."_qs));
            QVERIFY2(m_desktop.saw(u"label clicked"_qs),
                     qPrintable(m_desktop.reports().join(u',')));
        } else {
            QCOMPARE(result, UIAutomationResult::failed(u"Could not click Terms."_qs));
        }
    }

    void typeIntoField_data() { ContractDesktop::addProbeRows(); }
    void typeIntoField()
    {
        show(true);
        const QString text = u"Grüße, мир € 日本"_qs;
        QCOMPARE(QCoro::waitFor(ui().typeText(text, u"File name"_qs)),
                 UIAutomationResult::succeeded(u"Typed text into File name."_qs));
        QCOMPARE(m_desktop.fieldText(text), text);
    }

    // Typed alone, text goes where the keyboard focus is.
    void typeIntoFocusedField_data() { ContractDesktop::addProbeRows(); }
    void typeIntoFocusedField()
    {
        show(true);
        QCOMPARE(QCoro::waitFor(ui().focusField(u"file name"_qs)),
                 UIAutomationResult::succeeded(u"Focused file name."_qs));
        QVERIFY(m_desktop.saw(u"focused fileName"_qs));
        QCOMPARE(QCoro::waitFor(ui().typeText(u"  ünïcode  "_qs)),
                 UIAutomationResult::succeeded(u"Typed text."_qs));
        QCOMPARE(m_desktop.fieldText(u"ünïcode"_qs), u"ünïcode"_qs);
    }

    void keyChord_data() { ContractDesktop::addProbeRows(); }
    void keyChord()
    {
        show();
        QCOMPARE(QCoro::waitFor(ui().pressKey(*KeyboardKey::parse(u"cmd shift t"_qs))),
                 UIAutomationResult::succeeded(u"Pressed Command-Shift-T."_qs));
        QVERIFY2(m_desktop.saw(u"shortcut ctrl+shift+t"_qs),
                 qPrintable(m_desktop.reports().join(u',')));
    }

    void missingElement_data() { ContractDesktop::addProbeRows(); }
    void missingElement()
    {
        show();
        QCOMPARE(QCoro::waitFor(ui().clickVisibleElement(u"Publish"_qs)),
                 UIAutomationResult::failed(u"Could not find Publish on screen."_qs));
        QCOMPARE(QCoro::waitFor(ui().focusField(u"Save"_qs)),
                 UIAutomationResult::failed(u"Could not find Save field on screen."_qs));
    }
};

QTEST_GUILESS_MAIN(TestAccessibilityContract)
#include "tst_accessibilitycontract.moc"
