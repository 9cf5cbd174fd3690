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
const QString press = QStringLiteral("AXPress");

// A service over fakes whose frontmost application is the tree's element 0, "AXApplication".
struct Fixture {
    std::shared_ptr<FakeAccessibilityTree> tree = std::make_shared<FakeAccessibilityTree>();
    std::shared_ptr<FakeInputSynthesizer> input = std::make_shared<FakeInputSynthesizer>();
    std::shared_ptr<FakeWorkspace> workspace = std::make_shared<FakeWorkspace>();
    int application = -1;
    int window = -1;

    Fixture()
    {
        application = tree->add(QStringLiteral("AXApplication"), QStringLiteral("Probe"));
        window = tree->add(QStringLiteral("AXWindow"), QStringLiteral("Probe window"));
        tree->append(application, window);
        tree->applications.insert(frontmostPid, application);
        workspace->frontmostAnswers = {RunningApplication{QStringLiteral("probe.desktop"),
                                                          QStringLiteral("probe"), frontmostPid}};
    }

    // A child of the window (or of `parent`).
    int add(const QString& role, const QString& title, const QStringList& actions = {},
            int parent = -1)
    {
        const int number = tree->add(role, title, actions);
        tree->append(parent < 0 ? window : parent, number);
        return number;
    }

    UIAutomationService service() { return UIAutomationService(tree, input, workspace); }

    QList<UIElementDescription> list()
    {
        UIAutomationService automation = service();
        return QCoro::waitFor(automation.getVisibleElements());
    }
    UIAutomationResult click(const QString& name)
    {
        UIAutomationService automation = service();
        return QCoro::waitFor(automation.clickVisibleElement(name));
    }
    UIAutomationResult focus(const QString& name)
    {
        UIAutomationService automation = service();
        return QCoro::waitFor(automation.focusField(name));
    }
    UIAutomationResult pressKey(const QString& description)
    {
        UIAutomationService automation = service();
        return QCoro::waitFor(automation.pressKey(*KeyboardKey::parse(description)));
    }
    UIAutomationResult type(const QString& text)
    {
        UIAutomationService automation = service();
        return QCoro::waitFor(automation.typeText(text));
    }
    UIAutomationResult type(const QString& text, const QString& field)
    {
        UIAutomationService automation = service();
        return QCoro::waitFor(automation.typeText(text, field));
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

using Operation = std::function<UIAutomationResult(Fixture&)>;

} // namespace

Q_DECLARE_METATYPE(Operation)
Q_DECLARE_METATYPE(korvane::UIAutomationResult)
Q_DECLARE_METATYPE(korvane::test::FakeInputSynthesizer::Key)

namespace korvane {

char* toString(const UIAutomationResult& result)
{
    static const char* const outcomes[] = {"succeeded", "failed", "accessibilityDenied"};
    return qstrdup(qPrintable(QString::fromLatin1(outcomes[int(result.outcome)]) + u'(' +
                              result.message + u')'));
}

char* toString(const UIElementDescription& element)
{
    return qstrdup(qPrintable(u"["_qs + element.role + u'/' + element.subrole + u"] "_qs +
                              element.name + u" ("_qs + element.description.value_or(u"-"_qs) +
                              u") = "_qs + element.value.value_or(u"-"_qs)));
}

} // namespace korvane

class TestUIAutomationService : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Without access nothing is read or posted, and access is asked for on every call.
    void deniedAccess_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::newRow("click") << Operation([](Fixture& f) { return f.click(u"OK"_qs); });
        QTest::newRow("focus") << Operation([](Fixture& f) { return f.focus(u"Name"_qs); });
        QTest::newRow("press key")
            << Operation([](Fixture& f) { return f.pressKey(u"return"_qs); });
        QTest::newRow("press key without code")
            << Operation([](Fixture& f) { return f.pressKey(u"page down"_qs); });
        QTest::newRow("type") << Operation([](Fixture& f) { return f.type(u"hello"_qs); });
        QTest::newRow("type into field")
            << Operation([](Fixture& f) { return f.type(u"hello"_qs, u"Name"_qs); });
    }
    void deniedAccess()
    {
        QFETCH(Operation, operation);
        Fixture f;
        f.tree->trusted = false;
        const int ok = f.add(u"AXButton"_qs, u"OK"_qs, {press});
        f.tree->setFrame(ok, {0, 0}, {10, 10});
        f.add(u"AXTextField"_qs, u"Name"_qs);
        QCOMPARE(operation(f), UIAutomationResult::accessibilityDenied());
        QCOMPARE(operation(f), UIAutomationResult::accessibilityDenied());
        QCOMPARE(f.tree->prompts, 2);
        QCOMPARE(f.tree->trustQueries, 2);
        QCOMPARE(f.input->events, QStringList());
        QVERIFY(f.tree->performed.isEmpty());
        QVERIFY(f.tree->focused.isEmpty());
    }

    void deniedListingIsEmpty()
    {
        Fixture f;
        f.tree->trusted = false;
        f.add(u"AXButton"_qs, u"OK"_qs, {press});
        QVERIFY(f.list().isEmpty());
        QVERIFY(f.list().isEmpty());
        QCOMPARE(f.tree->prompts, 2);
    }

    // The operation's own input is checked first: a missing name never reaches the tree.
    void inputCheckedBeforeAccess_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<UIAutomationResult>("expected");
        QTest::newRow("click, empty") << Operation([](Fixture& f) { return f.click({}); })
                                      << failed("No click target provided.");
        QTest::newRow("click, blank") << Operation([](Fixture& f) { return f.click(u" \n\t "_qs); })
                                      << failed("No click target provided.");
        QTest::newRow("focus, blank") << Operation([](Fixture& f) { return f.focus(u"  "_qs); })
                                      << failed("No field target provided.");
        QTest::newRow("type, blank") << Operation([](Fixture& f) { return f.type(u" \n "_qs); })
                                     << failed("No text provided.");
        QTest::newRow("type into a blank field")
            << Operation([](Fixture& f) { return f.type(u"hi"_qs, u" "_qs); })
            << failed("No field target provided.");
    }
    void inputCheckedBeforeAccess()
    {
        QFETCH(Operation, operation);
        QFETCH(UIAutomationResult, expected);
        Fixture f;
        f.tree->trusted = false;
        QCOMPARE(operation(f), expected);
        QCOMPARE(f.tree->trustQueries, 0);
    }

    void noFrontmostApplication_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::newRow("click") << Operation([](Fixture& f) { return f.click(u"OK"_qs); });
        QTest::newRow("focus") << Operation([](Fixture& f) { return f.focus(u"OK"_qs); });
        QTest::newRow("type into field")
            << Operation([](Fixture& f) { return f.type(u"x"_qs, u"OK"_qs); });
    }
    void noFrontmostApplication()
    {
        QFETCH(Operation, operation);
        Fixture f;
        f.add(u"AXTextField"_qs, u"OK"_qs, {press});
        f.workspace->frontmostAnswers = {std::nullopt};
        QCOMPARE(operation(f), failed("No frontmost app is available."));
        QVERIFY(f.list().isEmpty());
        QVERIFY(f.input->events.isEmpty());
    }

    // An application that exposes no tree reads as an empty one.
    void applicationWithoutTree()
    {
        Fixture f;
        f.add(u"AXButton"_qs, u"OK"_qs, {press});
        f.tree->applications.clear();
        QVERIFY(f.list().isEmpty());
        QCOMPARE(f.click(u"OK"_qs), failed("Could not find OK on screen."));
    }

    void listing()
    {
        Fixture f;
        f.add(u"AXButton"_qs, u"OK"_qs, {press});
        const int search = f.add(u"AXTextField"_qs, {});
        f.tree->element(search).attributes.insert(u"AXDescription"_qs, u"Search"_qs);
        f.tree->element(search).attributes.insert(u"AXSubrole"_qs, u"AXSearchField"_qs);
        f.tree->element(search).attributes.insert(u"AXValue"_qs, u"lamps"_qs);
        const int hello = f.add(u"AXStaticText"_qs, u"Hello"_qs);
        f.tree->element(hello).attributes.insert(u"AXDescription"_qs, u"Greeting"_qs);
        f.tree->element(hello).attributes.insert(u"AXValue"_qs, QString());
        const int unnamed = f.add(u"AXGroup"_qs, {});
        f.tree->element(unnamed).attributes.insert(u"AXDescription"_qs, QString());
        const int identified = f.add(u"AXCheckBox"_qs, {});
        f.tree->element(identified).attributes.insert(u"AXIdentifier"_qs, u"remember-me"_qs);
        f.add(u"AXImage"_qs, u"Logo"_qs);
        const int pressable = f.add(u"AXImage"_qs, {}, {u"AXShowMenu"_qs, press});
        f.tree->element(pressable).attributes.insert(u"AXDescription"_qs, u"Avatar"_qs);
        f.add({}, u"Roleless"_qs, {press});
        // Children of an unlisted group are still walked.
        f.add(u"AXLink"_qs, u"Help"_qs, {}, unnamed);

        const QList<UIElementDescription> expected{
            {u"AXButton"_qs, {}, u"OK"_qs, std::nullopt, std::nullopt},
            {u"AXTextField"_qs, u"AXSearchField"_qs, u"Search"_qs, u"Search"_qs, u"lamps"_qs},
            {u"AXStaticText"_qs, {}, u"Hello"_qs, u"Greeting"_qs, std::nullopt},
            {u"AXCheckBox"_qs, {}, u"remember-me"_qs, std::nullopt, std::nullopt},
            {u"AXImage"_qs, {}, u"Avatar"_qs, u"Avatar"_qs, std::nullopt},
            {{}, {}, u"Roleless"_qs, std::nullopt, std::nullopt},
            {u"AXLink"_qs, {}, u"Help"_qs, std::nullopt, std::nullopt},
        };
        QCOMPARE(f.list(), expected);
        QCOMPARE(f.tree->prompts, 1);
    }

    // Every child attribute is read, in table order, and a child met twice is listed once.
    void childAttributes()
    {
        Fixture f;
        const int table = f.add(u"AXTable"_qs, {});
        const int tab = f.tree->add(u"AXRadioButton"_qs, u"General"_qs);
        const int row = f.tree->add(u"AXRow"_qs, u"First row"_qs);
        const int column = f.tree->add(u"AXColumn"_qs, u"Name column"_qs, {press});
        const int cell = f.tree->add(u"AXCell"_qs, u"Cell"_qs);
        f.tree->append(table, cell, u"AXColumns"_qs);
        f.tree->append(table, column, u"AXColumns"_qs);
        f.tree->append(table, row, u"AXRows"_qs);
        f.tree->append(table, tab, u"AXTabs"_qs);
        f.tree->append(table, row, u"AXVisibleChildren"_qs);
        f.tree->append(table, cell);
        f.tree->append(table, row);
        f.tree->append(f.window, cell, u"AXVisibleChildren"_qs);

        QStringList names;
        for (const UIElementDescription& element : f.list())
            names.append(element.name);
        QCOMPARE(names,
                 (QStringList{u"Cell"_qs, u"First row"_qs, u"General"_qs, u"Name column"_qs}));
    }

    // The counter counts every element taken from the queue, repeats included.
    void listingLimit_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<bool>("repeated");
        QTest::addColumn<int>("expected");
        // The application and its window are the first two taken.
        QTest::newRow("all fit") << 1497 << false << 1497;
        QTest::newRow("last one fits") << 1498 << false << 1498;
        QTest::newRow("one too many") << 1499 << false << 1498;
        QTest::newRow("far more") << 3000 << false << 1498;
        // Each button again under "AXVisibleChildren", each with a button of its own below:
        // the repeats use up the count before the grandchildren are reached.
        QTest::newRow("repeats count") << 1000 << true << 1000;
    }
    void listingLimit()
    {
        QFETCH(int, buttons);
        QFETCH(bool, repeated);
        QFETCH(int, expected);
        Fixture f;
        for (int i = 0; i < buttons; ++i) {
            const int button = f.add(u"AXButton"_qs, u"Item %1"_qs.arg(i));
            if (repeated) {
                f.tree->append(f.window, button, u"AXVisibleChildren"_qs);
                f.add(u"AXButton"_qs, u"Inner %1"_qs.arg(i), {}, button);
            }
        }
        const QList<UIElementDescription> listed = f.list();
        QCOMPARE(listed.size(), expected);
        QCOMPARE(listed.first().name, u"Item 0"_qs);
        QCOMPARE(listed.last().name, u"Item %1"_qs.arg(expected - 1));
    }

    void clickPicksBestCandidate_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("expected");
        // The field comes first in the tree; the button still wins, 140 against 85.
        QTest::newRow("button over field") << u"ok"_qs << u"OK"_qs;
        QTest::newRow("name is normalized") << u"  O.K.!  "_qs << u"OK"_qs;
        QTest::newRow("reverse rule needs three letters") << u"go to settings"_qs << u"Settings"_qs;
        QTest::newRow("first of equal scores, breadth first") << u"save"_qs << u"Save shallow"_qs;
        QTest::newRow("first of many equal scores") << u"item"_qs << u"Item 0"_qs;
    }
    void clickPicksBestCandidate()
    {
        QFETCH(QString, target);
        QFETCH(QString, expected);
        Fixture f;
        const int field = f.add(u"AXTextField"_qs, u"OK Code"_qs);
        f.tree->setFrame(field, {0, 0}, {100, 20});
        const int ok = f.add(u"AXButton"_qs, u"OK"_qs, {press});
        f.tree->setFrame(ok, {0, 30}, {100, 20});
        f.add(u"AXButton"_qs, u"Go"_qs, {press});
        f.add(u"AXButton"_qs, u"Settings"_qs, {press});
        // Depth first would meet the deep button first.
        const int group = f.add(u"AXGroup"_qs, {});
        f.add(u"AXButton"_qs, u"Save deep"_qs, {press}, group);
        f.add(u"AXButton"_qs, u"Save shallow"_qs, {press});
        // Enough equal candidates that an unstable sort would reorder them.
        for (int i = 0; i < 40; ++i)
            f.add(u"AXButton"_qs, u"Item %1"_qs.arg(i), {press});

        QCOMPARE(f.click(target), succeeded(qPrintable(u"Clicked "_qs + target.trimmed() + u'.')));
        QCOMPARE(f.tree->performed.size(), 1);
        const int pressed = f.tree->performed.first();
        QCOMPARE(f.tree->element(pressed).attributes.value(u"AXTitle"_qs), expected);
        QVERIFY(f.input->clicks.isEmpty());
    }

    void pressFallsBackToClick_data()
    {
        QTest::addColumn<QString>("role");
        QTest::addColumn<bool>("listsPress");
        QTest::addColumn<bool>("pressSucceeds");
        QTest::addColumn<bool>("framed");
        QTest::addColumn<bool>("inputAvailable");
        QTest::addColumn<UIAutomationResult>("expected");
        QTest::addColumn<QList<QPointF>>("clicks");
        const QList<QPointF> centre{{60, 40}};
        QTest::newRow("static text clicked at its centre")
            << u"AXStaticText"_qs << false << false << true << true << succeeded("Clicked terms.")
            << centre;
        QTest::newRow("failed press clicked at its centre")
            << u"AXButton"_qs << true << false << true << true << succeeded("Clicked terms.")
            << centre;
        QTest::newRow("pressed, no click") << u"AXButton"_qs << true << true << true << true
                                           << succeeded("Clicked terms.") << QList<QPointF>{};
        QTest::newRow("no centre to click") << u"AXStaticText"_qs << false << false << false << true
                                            << failed("Could not click terms.") << QList<QPointF>{};
        QTest::newRow("no input to click with")
            << u"AXStaticText"_qs << false << false << true << false
            << failed("Could not click terms.") << QList<QPointF>{};
    }
    void pressFallsBackToClick()
    {
        QFETCH(QString, role);
        QFETCH(bool, listsPress);
        QFETCH(bool, pressSucceeds);
        QFETCH(bool, framed);
        QFETCH(bool, inputAvailable);
        QFETCH(UIAutomationResult, expected);
        QFETCH(QList<QPointF>, clicks);
        Fixture f;
        const int element = f.add(role, u"Terms and conditions"_qs,
                                  listsPress ? QStringList{press} : QStringList{});
        f.tree->element(element).actionsSucceed = pressSucceeds;
        if (framed)
            f.tree->setFrame(element, {10, 20}, {100, 40});
        f.input->available = inputAvailable;
        QCOMPARE(f.click(u" terms\n"_qs), expected);
        QCOMPARE(f.input->clicks, clicks);
    }

    void clickNotFound()
    {
        Fixture f;
        f.add(u"AXButton"_qs, u"Cancel"_qs, {press});
        f.add(u"AXImage"_qs, u"Save"_qs);
        QCOMPARE(f.click(u" Save "_qs), failed("Could not find Save on screen."));
        QCOMPARE(f.click(u"?!"_qs), failed("Could not find ?! on screen."));
        QVERIFY(f.tree->performed.isEmpty());
        QVERIFY(f.input->events.isEmpty());
    }

    void focus()
    {
        Fixture f;
        f.add(u"AXButton"_qs, u"Email"_qs, {press});
        const int field = f.add(u"AXTextField"_qs, {});
        f.tree->element(field).attributes.insert(u"AXPlaceholderValue"_qs, u"Email address"_qs);
        f.tree->setFrame(field, {100, 200}, {50, 10});
        QCOMPARE(f.focus(u"  Email\n"_qs), succeeded("Focused Email."));
        QCOMPARE(f.tree->focused, QList<int>{field});
        QCOMPARE(f.input->clicks, QList<QPointF>{QPointF(125, 205)});
        QVERIFY(f.tree->performed.isEmpty());
    }

    void focusWithoutFrameDoesNotClick()
    {
        Fixture f;
        const int field = f.add(u"AXTextArea"_qs, u"Notes"_qs);
        QCOMPARE(f.focus(u"notes"_qs), succeeded("Focused notes."));
        QCOMPARE(f.tree->focused, QList<int>{field});
        QVERIFY(f.input->clicks.isEmpty());
    }

    void focusMatchingOnlyButtonsFails()
    {
        Fixture f;
        f.add(u"AXButton"_qs, u"Save"_qs, {press});
        f.add(u"AXStaticText"_qs, u"Save"_qs);
        QCOMPARE(f.focus(u"Save"_qs), failed("Could not find Save field on screen."));
        QVERIFY(f.tree->focused.isEmpty());
        QVERIFY(f.input->events.isEmpty());
    }

    void pressKey_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<bool>("inputAvailable");
        QTest::addColumn<UIAutomationResult>("expected");
        QTest::addColumn<QList<FakeInputSynthesizer::Key>>("keys");
        QTest::newRow("with modifiers")
            << u"cmd shift t"_qs << true << succeeded("Pressed Command-Shift-T.")
            << QList<FakeInputSynthesizer::Key>{{17, KeyboardKey::command | KeyboardKey::shift}};
        QTest::newRow("enter key") << u"enter key"_qs << true << succeeded("Pressed Enter.")
                                   << QList<FakeInputSynthesizer::Key>{{36, 0}};
        QTest::newRow("no key code")
            << u"page down"_qs << true << failed("Could not press Page Down.")
            << QList<FakeInputSynthesizer::Key>{};
        QTest::newRow("no input") << u"alt esc"_qs << false << failed("Could not press Option-Esc.")
                                  << QList<FakeInputSynthesizer::Key>{};
    }
    void pressKey()
    {
        QFETCH(QString, description);
        QFETCH(bool, inputAvailable);
        QFETCH(UIAutomationResult, expected);
        QFETCH(QList<FakeInputSynthesizer::Key>, keys);
        Fixture f;
        f.input->available = inputAvailable;
        QCOMPARE(f.pressKey(description), expected);
        QCOMPARE(f.input->keys, keys);
        QCOMPARE(f.tree->prompts, 1);
    }

    void typeTextTrims()
    {
        Fixture f;
        QCOMPARE(f.type(u"  hi \n"_qs), succeeded("Typed text."));
        QCOMPARE(f.input->unicode, (QStringList{u"h"_qs, u"i"_qs}));
        QCOMPARE(f.tree->prompts, 1);
    }

    void typeTextWithoutInput()
    {
        Fixture f;
        f.input->available = false;
        QCOMPARE(f.type(u"hi"_qs), failed("Could not type text."));
        f.add(u"AXTextField"_qs, u"Name"_qs);
        QCOMPARE(f.type(u"hi"_qs, u"Name"_qs), failed("Could not type text into Name."));
        QVERIFY(f.input->events.isEmpty());
    }

    // Into a field the text keeps its spaces, and goes after the click that focused it.
    void typeTextIntoField()
    {
        Fixture f;
        const int field = f.add(u"AXTextField"_qs, u"Name"_qs);
        f.tree->setFrame(field, {0, 0}, {20, 10});
        QCOMPARE(f.type(u"  hi  "_qs, u" Name"_qs), succeeded("Typed text into  Name."));
        QCOMPARE(f.tree->focused, QList<int>{field});
        QCOMPARE(f.input->events, (QStringList{u"click(10,5)"_qs, u"unicode( )"_qs,
                                               u"unicode( )"_qs, u"unicode(h)"_qs, u"unicode(i)"_qs,
                                               u"unicode( )"_qs, u"unicode( )"_qs}));
        QCOMPARE(f.tree->prompts, 1);
    }

    void typeTextIntoMissingField()
    {
        Fixture f;
        f.add(u"AXButton"_qs, u"Name"_qs, {press});
        QCOMPARE(f.type(u"hi"_qs, u"Name"_qs), failed("Could not find Name field on screen."));
        QVERIFY(f.input->events.isEmpty());
    }

    void postText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("pairs");
        QTest::newRow("empty") << QString() << QStringList{};
        QTest::newRow("ascii") << u"a b"_qs << QStringList{u"a"_qs, u" "_qs, u"b"_qs};
        QTest::newRow("emoji is one pair of two units")
            << u"\U0001F600"_qs << QStringList{u"\U0001F600"_qs};
        QTest::newRow("decomposed accent is two pairs")
            << u"e\u0301"_qs << QStringList{u"e"_qs, u"\u0301"_qs};
        QTest::newRow("emoji with skin tone is two pairs")
            << u"\U0001F44D\U0001F3FD"_qs << QStringList{u"\U0001F44D"_qs, u"\U0001F3FD"_qs};
        QTest::newRow("lone surrogates are skipped")
            << (u"a"_qs + QChar(0xD800) + u"b"_qs + QChar(0xDC00)) << QStringList{u"a"_qs, u"b"_qs};
    }
    void postText()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, pairs);
        FakeInputSynthesizer input;
        UIAutomationService::postText(input, text);
        QCOMPARE(input.unicode, pairs);
        if (text == u"\U0001F600"_qs)
            QCOMPARE(input.unicode.first().size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestUIAutomationService)
#include "tst_uiautomationservice.moc"
