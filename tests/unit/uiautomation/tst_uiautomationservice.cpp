// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakeAccessibilityTree.h"
#include "fakes/FakeInputSynthesizer.h"
#include "fakes/FakeWorkspace.h"
#include "uiautomation/UIAutomationService.h"

#include <QTest>

#include <functional>

using namespace korvane;
using namespace korvane::test;

namespace {

constexpr qint64 frontmostPid = 4242;
using Role = AccessibleRole;
constexpr bool press = true;

// A service over fakes whose frontmost application is the tree's element 0.
struct Fixture {
    std::shared_ptr<FakeAccessibilityTree> tree = std::make_shared<FakeAccessibilityTree>();
    std::shared_ptr<FakeInputSynthesizer> input = std::make_shared<FakeInputSynthesizer>();
    std::shared_ptr<FakeWorkspace> workspace = std::make_shared<FakeWorkspace>();
    UIAutomationService automation{tree, input, workspace};
    int window = -1;

    Fixture()
    {
        const int application = tree->add(Role::application, u"Probe"_qs);
        window = tree->add(Role::window, u"Probe window"_qs);
        tree->append(application, window);
        tree->applications.insert(frontmostPid, application);
        workspace->frontmostAnswers = {
            RunningApplication{u"probe.desktop"_qs, u"probe"_qs, frontmostPid}};
    }

    UIAutomationResult clickOn(const QString& name)
    {
        return QCoro::waitFor(automation.clickVisibleElement(name));
    }

    // A child of the window (or of `parent`).
    int add(std::optional<Role> role, const QString& title, bool pressable = false, int parent = -1)
    {
        const int number = tree->add(role, title, pressable);
        tree->append(parent < 0 ? window : parent, number);
        return number;
    }
};

UIAutomationResult succeeded(const char* message)
{
    return UIAutomationResult::succeeded(QString::fromUtf8(message));
}

UIAutomationResult failed(const char* message)
{
    return UIAutomationResult::failed(QString::fromUtf8(message));
}

using Operation = std::function<QCoro::Task<UIAutomationResult>(UIAutomation&)>;

} // namespace

Q_DECLARE_METATYPE(Operation)
Q_DECLARE_METATYPE(korvane::UIAutomationResult)
Q_DECLARE_METATYPE(std::optional<QString>)

namespace korvane {

char* toString(const UIAutomationResult& result)
{
    static const char* const outcomes[] = {"succeeded", "failed", "accessibilityDenied"};
    return qstrdup(qPrintable(QString::fromLatin1(outcomes[int(result.outcome)]) + u'(' +
                              result.message + u')'));
}

} // namespace korvane

class TestUIAutomationService : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Refused before anything is read or posted: the operation's own input is checked first,
    // then access (asked for on every call), then the frontmost application.
    void refusedBeforeActing_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<bool>("trusted");
        QTest::addColumn<UIAutomationResult>("expected");
        QTest::addColumn<int>("trustQueries");
        const UIAutomationResult denied = UIAutomationResult::accessibilityDenied();
        QTest::newRow("click, denied")
            << Operation([](UIAutomation& ui) { return ui.clickVisibleElement(u"OK"_qs); }) << false
            << denied << 2;
        QTest::newRow("type into field, denied")
            << Operation([](UIAutomation& ui) { return ui.typeText(u"hello"_qs, u"Name"_qs); })
            << false << denied << 2;
        QTest::newRow("click, blank")
            << Operation([](UIAutomation& ui) { return ui.clickVisibleElement(u" \n\t "_qs); })
            << false << failed("No click target provided.") << 0;
        QTest::newRow("focus, nothing in front")
            << Operation([](UIAutomation& ui) { return ui.focusField(u"OK"_qs); }) << true
            << failed("No frontmost app is available.") << 2;
    }
    void refusedBeforeActing()
    {
        QFETCH(Operation, operation);
        QFETCH(bool, trusted);
        QFETCH(UIAutomationResult, expected);
        QFETCH(int, trustQueries);
        Fixture f;
        f.tree->trusted = trusted;
        if (trusted)
            f.workspace->frontmostAnswers = {std::nullopt};
        const int ok = f.add(Role::button, u"OK"_qs, press);
        f.tree->element(ok).frame = QRectF(0, 0, 10, 10);
        f.add(Role::textField, u"Name"_qs);
        QCOMPARE(QCoro::waitFor(operation(f.automation)), expected);
        QCOMPARE(QCoro::waitFor(operation(f.automation)), expected);
        QCOMPARE(f.tree->trustQueries, trustQueries);
        QCOMPARE(f.input->events, QStringList());
        QVERIFY(f.tree->pressed.isEmpty());
        QVERIFY(f.tree->focused.isEmpty());
    }

    void listing()
    {
        Fixture f;
        f.add(Role::button, u"OK"_qs, press);
        const int search = f.add(Role::textField, {});
        f.tree->element(search).role = Role::searchField;
        f.tree->element(search).texts.insert(AccessibleText::description, u"Search"_qs);
        f.tree->element(search).texts.insert(AccessibleText::value, u"lamps"_qs);
        const int unnamed = f.add(Role::group, {});
        f.tree->element(unnamed).texts.insert(AccessibleText::description, QString());
        const int identified = f.add(Role::checkBox, {});
        f.tree->element(identified).texts.insert(AccessibleText::identifier, u"remember-me"_qs);
        f.add(Role::image, u"Logo"_qs);
        const int pressable = f.add(Role::image, {}, press);
        f.tree->element(pressable).texts.insert(AccessibleText::description, u"Avatar"_qs);
        f.add({}, u"Roleless"_qs, press);
        // Children of an unlisted group are still walked.
        f.add(Role::link, u"Help"_qs, false, unnamed);

        const QList<UIElementDescription> expected{
            {u"AXButton"_qs, {}, u"OK"_qs, std::nullopt, std::nullopt},
            {u"AXTextField"_qs, u"AXSearchField"_qs, u"Search"_qs, u"Search"_qs, u"lamps"_qs},
            {u"AXCheckBox"_qs, {}, u"remember-me"_qs, std::nullopt, std::nullopt},
            {u"AXImage"_qs, {}, u"Avatar"_qs, u"Avatar"_qs, std::nullopt},
            {{}, {}, u"Roleless"_qs, std::nullopt, std::nullopt},
            {u"AXLink"_qs, {}, u"Help"_qs, std::nullopt, std::nullopt},
        };
        QCOMPARE(QCoro::waitFor(f.automation.getVisibleElements()), expected);
        QCOMPARE(f.tree->prompts, 1);
    }

    // The listing stops after 1500 elements taken from the queue, repeats included: each
    // button listed twice, each with a button of its own below, uses up the count before the
    // grandchildren are reached.
    void listingLimit()
    {
        Fixture f;
        QList<int> items;
        for (int i = 0; i < 1000; ++i) {
            items.append(f.add(Role::button, u"Item %1"_qs.arg(i)));
            f.add(Role::button, u"Inner %1"_qs.arg(i), false, items.last());
        }
        for (int item : std::as_const(items))
            f.tree->append(f.window, item);
        const QList<UIElementDescription> listed =
            QCoro::waitFor(f.automation.getVisibleElements());
        QCOMPARE(listed.size(), 1000);
        QCOMPARE(listed.last().name, u"Item 999"_qs);
    }

    void clickPicksBestCandidate_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("expected");
        // The field comes first in the tree; the button still wins, 140 against 85. Scores are
        // the matcher's; the choice among them is the service's.
        QTest::newRow("button over field") << u"ok"_qs << u"OK"_qs;
        QTest::newRow("first of equal scores, breadth first") << u"save"_qs << u"Save shallow"_qs;
    }
    void clickPicksBestCandidate()
    {
        QFETCH(QString, target);
        QFETCH(QString, expected);
        Fixture f;
        const int field = f.add(Role::textField, u"OK Code"_qs);
        f.tree->element(field).frame = QRectF(0, 0, 100, 20);
        const int ok = f.add(Role::button, u"OK"_qs, press);
        f.tree->element(ok).frame = QRectF(0, 30, 100, 20);
        // Depth first would meet the deep button first.
        const int group = f.add(Role::group, {});
        f.add(Role::button, u"Save deep"_qs, press, group);
        f.add(Role::button, u"Save shallow"_qs, press);

        QCOMPARE(f.clickOn(target),
                 succeeded(qPrintable(u"Clicked "_qs + target.trimmed() + u'.')));
        QCOMPARE(f.tree->pressed.size(), 1);
        const int pressed = f.tree->pressed.first();
        QCOMPARE(f.tree->element(pressed).texts.value(AccessibleText::title), expected);
        QVERIFY(f.input->clicks.isEmpty());
    }

    // A press that fails, or an element with nothing to press, is clicked at its centre; a click
    // that could not be posted is never reported as done.
    void pressFallsBackToClick_data()
    {
        QTest::addColumn<bool>("pressable");
        QTest::addColumn<bool>("framed");
        QTest::addColumn<bool>("inputReady");
        QTest::addColumn<bool>("pointsAtPositions");
        QTest::addColumn<QList<QPointF>>("clicks");
        const QList<QPointF> centre{{60, 40}};
        QTest::newRow("failed press clicked at its centre")
            << true << true << true << true << centre;
        QTest::newRow("no centre to click") << false << false << true << true << QList<QPointF>{};
        QTest::newRow("no input to click with")
            << false << true << false << true << QList<QPointF>{};
        QTest::newRow("input that cannot point at a place")
            << false << true << true << false << QList<QPointF>{};
    }
    void pressFallsBackToClick()
    {
        QFETCH(bool, pressable);
        QFETCH(bool, framed);
        QFETCH(bool, inputReady);
        QFETCH(bool, pointsAtPositions);
        QFETCH(QList<QPointF>, clicks);
        Fixture f;
        const int element = f.add(pressable ? Role::button : Role::staticText,
                                  u"Terms and conditions"_qs, pressable);
        f.tree->element(element).pressSucceeds = false;
        if (framed)
            f.tree->element(element).frame = QRectF(10, 20, 100, 40);
        if (!inputReady)
            f.input->refusal = u"Allow it."_qs;
        f.input->pointsAtPositions = pointsAtPositions;
        QCOMPARE(f.clickOn(u" terms\n"_qs),
                 clicks.isEmpty() ? failed("Could not click terms.") : succeeded("Clicked terms."));
        QCOMPARE(f.input->clicks, clicks);
    }

    void pressKey_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<std::optional<QString>>("refusal");
        QTest::addColumn<UIAutomationResult>("expected");
        QTest::addColumn<QList<QKeyCombination>>("keys");
        const std::optional<QString> ready;
        // "command" is Control on this desktop, "option" is Alt.
        QTest::newRow("modifiers in order, the Mac delete is backspace")
            << u"ctrl option delete"_qs << ready << succeeded("Pressed Option-Control-Delete.")
            << QList<QKeyCombination>{Qt::AltModifier | Qt::ControlModifier | Qt::Key_Backspace};
        QTest::newRow("no key code")
            << u"page down"_qs << ready << failed("Could not press Page Down.")
            << QList<QKeyCombination>{};
        QTest::newRow("input refused, its sentence")
            << u"alt esc"_qs << std::optional<QString>(u"Allow remote control."_qs)
            << failed("Allow remote control.") << QList<QKeyCombination>{};
    }
    void pressKey()
    {
        QFETCH(QString, description);
        QFETCH(std::optional<QString>, refusal);
        QFETCH(UIAutomationResult, expected);
        QFETCH(QList<QKeyCombination>, keys);
        Fixture f;
        f.input->refusal = refusal;
        QCOMPARE(QCoro::waitFor(f.automation.pressKey(*KeyboardKey::parse(description))), expected);
        QCOMPARE(f.input->keys, keys);
        QCOMPARE(f.tree->prompts, 1);
    }

    // Text goes into an editable element through its editable text (any character, no
    // keyboard layout in the way), as keys elsewhere; line breaks are always keys.
    void enterText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("editable");
        QTest::addColumn<bool>("focusedBefore");
        QTest::addColumn<std::optional<QString>>("refusal");
        QTest::addColumn<UIAutomationResult>("expected");
        QTest::addColumn<QString>("inserted");
        QTest::addColumn<QStringList>("events");
        const QString alone;
        const std::optional<QString> ready;
        const std::optional<QString> refused = u"Allow remote control."_qs;
        auto& row = QTest::newRow;
        row("alone, trimmed, as keys without a focused field")
            << u"  hi \n"_qs << alone << false << false << ready << succeeded("Typed text.")
            << QString() << QStringList{u"unicode(h)"_qs, u"unicode(i)"_qs};
        row("alone, editable field needs no input")
            << u"hi"_qs << alone << true << true << refused << succeeded("Typed text.") << u"hi"_qs
            << QStringList{};
        // Into a field the text keeps its spaces, after the click that focused it.
        row("into a plain field, as keys")
            << u" h "_qs << u" Name"_qs << false << false << ready
            << succeeded("Typed text into  Name.") << QString()
            << QStringList{u"click(10,5)"_qs, u"unicode( )"_qs, u"unicode(h)"_qs, u"unicode( )"_qs};
        row("into an editable field, line breaks as keys")
            << u"a\n\nb\t"_qs << u"Name"_qs << true << false << ready
            << succeeded("Typed text into Name.") << u"ab"_qs
            << QStringList{u"click(10,5)"_qs, u"unicode(\n)"_qs, u"unicode(\n)"_qs,
                           u"unicode(\t)"_qs};
        row("into a plain field, refused input")
            << u"hi"_qs << u"Name"_qs << false << false << refused
            << failed("Allow remote control.") << QString() << QStringList{};
    }
    void enterText()
    {
        QFETCH(QString, text);
        QFETCH(QString, field);
        QFETCH(bool, editable);
        QFETCH(bool, focusedBefore);
        QFETCH(std::optional<QString>, refusal);
        QFETCH(UIAutomationResult, expected);
        QFETCH(QString, inserted);
        QFETCH(QStringList, events);
        Fixture f;
        const int name = f.add(Role::textField, u"Name"_qs);
        f.tree->element(name).frame = QRectF(0, 0, 20, 10);
        f.tree->element(name).editable = editable;
        f.tree->element(name).hasFocus = focusedBefore;
        f.input->refusal = refusal;
        QCOMPARE(QCoro::waitFor(field.isEmpty() ? f.automation.typeText(text)
                                                : f.automation.typeText(text, field)),
                 expected);
        QCOMPARE(f.tree->element(name).contents, inserted);
        QCOMPARE(f.input->events, events);
        QCOMPARE(f.tree->prompts, 1);
    }

    void postText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("pairs");
        QTest::newRow("emoji is one pair of two units")
            << u"\U0001F600"_qs << QStringList{u"\U0001F600"_qs};
        QTest::newRow("lone surrogates are skipped")
            << (u"a"_qs + QChar(0xD800) + u"b"_qs + QChar(0xDC00)) << QStringList{u"a"_qs, u"b"_qs};
    }
    void postText()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, pairs);
        FakeInputSynthesizer input;
        QVERIFY(UIAutomationService::postText(input, text));
        QCOMPARE(input.unicode, pairs);
    }
};

QTEST_GUILESS_MAIN(TestUIAutomationService)
#include "tst_uiautomationservice.moc"
