// SPDX-License-Identifier: GPL-3.0-or-later
#include "uiautomation/ElementMatcher.h"

#include <QTest>

using namespace korvane;

Q_DECLARE_METATYPE(korvane::AccessibleRole)
Q_DECLARE_METATYPE(korvane::ElementPurpose)
Q_DECLARE_METATYPE(std::optional<int>)

class TestElementMatcher : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void normalized_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("hyphen joins") << QStringLiteral("Sign-In") << QStringLiteral("signin");
        QTest::newRow("tab and line break separate")
            << QStringLiteral("Save\tAs\nCopy") << QStringLiteral("save as copy");
        QTest::newRow("punctuation between spaces")
            << QStringLiteral("Yes - No") << QStringLiteral("yes no");
        QTest::newRow("combining mark stays with its letter")
            << QStringLiteral("Cafe\u0301") << QStringLiteral("cafe\u0301");
        QTest::newRow("emoji dropped")
            << QStringLiteral("\U0001F44D Like") << QStringLiteral("like");
        QTest::newRow("letters beyond the basic plane")
            << QStringLiteral("\U00010400x") << QStringLiteral("\U00010428x");
        QTest::newRow("punctuation only") << QStringLiteral("?!…") << QString();
    }
    void normalized()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(ElementMatcher::normalized(text), expected);
    }

    void score_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<AccessibleRole>("role");
        QTest::addColumn<bool>("canPress");
        QTest::addColumn<bool>("hasCenter");
        QTest::addColumn<QString>("target");
        QTest::addColumn<ElementPurpose>("purpose");
        QTest::addColumn<std::optional<int>>("expected");

        const auto click = ElementPurpose::click;
        const auto focus = ElementPurpose::focus;
        auto& row = QTest::newRow;

        row("button equal, press, centre")
            << QStringList{QStringLiteral("OK")} << AccessibleRole::button << true << true
            << QStringLiteral("ok") << click << std::optional<int>(140);
        row("field begins with target, no press")
            << QStringList{QStringLiteral("OK Code")} << AccessibleRole::textField << false << true
            << QStringLiteral("ok") << click << std::optional<int>(85);
        row("static text contains target, no clickable bonus")
            << QStringList{QStringLiteral("Open the Settings")} << AccessibleRole::staticText
            << false << true << QStringLiteral("settings") << click << std::optional<int>(65);
        row("two letters are too short for the reverse rule")
            << QStringList{QStringLiteral("Go")} << AccessibleRole::button << true << true
            << QStringLiteral("go to settings") << click << std::optional<int>();
        row("target contains text")
            << QStringList{QStringLiteral("Settings")} << AccessibleRole::button << true << true
            << QStringLiteral("go to settings") << click << std::optional<int>(80);
        row("begins with wins over contains")
            << QStringList{QStringLiteral("ok ok")} << AccessibleRole::link << false << false
            << QStringLiteral("ok") << click << std::optional<int>(105);
        row("best of several texts")
            << QStringList{QStringLiteral("Cancel"), QStringLiteral("save as"),
                           QStringLiteral("Save")}
            << AccessibleRole::button << false << false << QStringLiteral("save") << click
            << std::optional<int>(125);
        row("texts are normalized")
            << QStringList{QStringLiteral("Sign-In!")} << AccessibleRole::button << false << false
            << QStringLiteral("signin") << click << std::optional<int>(125);
        row("press makes any role clickable")
            << QStringList{QStringLiteral("Logo")} << AccessibleRole::image << true << false
            << QStringLiteral("logo") << click << std::optional<int>(135);
        row("image without press is not eligible")
            << QStringList{QStringLiteral("Logo")} << AccessibleRole::image << false << true
            << QStringLiteral("logo") << click << std::optional<int>();
        row("close button is clickable")
            << QStringList{QStringLiteral("Close")} << AccessibleRole::closeButton << false << false
            << QStringLiteral("close") << click << std::optional<int>(125);
        row("focus takes a field")
            << QStringList{QStringLiteral("Email")} << AccessibleRole::textField << false << true
            << QStringLiteral("email") << focus << std::optional<int>(140);
        row("focus with press on a combo box")
            << QStringList{QStringLiteral("Font")} << AccessibleRole::comboBox << true << false
            << QStringLiteral("font") << focus << std::optional<int>(145);
        row("focus refuses a button")
            << QStringList{QStringLiteral("Email")} << AccessibleRole::button << true << true
            << QStringLiteral("email") << focus << std::optional<int>();
        row("no match") << QStringList{QStringLiteral("Cancel")} << AccessibleRole::button << true
                        << true << QStringLiteral("ok") << click << std::optional<int>();
        row("texts of punctuation only")
            << QStringList{QStringLiteral("…"), QStringLiteral("--")} << AccessibleRole::button
            << true << true << QStringLiteral("ok") << click << std::optional<int>();
        row("a target of punctuation only matches nothing")
            << QStringList{QStringLiteral("OK")} << AccessibleRole::button << true << true
            << QString() << click << std::optional<int>();
    }
    void score()
    {
        QFETCH(QStringList, texts);
        QFETCH(AccessibleRole, role);
        QFETCH(bool, canPress);
        QFETCH(bool, hasCenter);
        QFETCH(QString, target);
        QFETCH(ElementPurpose, purpose);
        QFETCH(std::optional<int>, expected);
        const ElementTraits element{texts, role, canPress, hasCenter};
        QCOMPARE(ElementMatcher::score(element, target, purpose), expected);
    }
};

QTEST_GUILESS_MAIN(TestElementMatcher)
#include "tst_elementmatcher.moc"
