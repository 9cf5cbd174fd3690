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
        QTest::newRow("hyphen joins") << u"Sign-In"_qs << u"signin"_qs;
        QTest::newRow("tab and line break separate") << u"Save\tAs\nCopy"_qs << u"save as copy"_qs;
        QTest::newRow("combining mark stays with its letter")
            << u"Cafe\u0301"_qs << u"cafe\u0301"_qs;
        QTest::newRow("emoji dropped") << u"\U0001F44D Like"_qs << u"like"_qs;
        QTest::newRow("letters beyond the basic plane") << u"\U00010400x"_qs << u"\U00010428x"_qs;
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
        using Role = AccessibleRole;
        const auto click = ElementPurpose::click;
        const auto focus = ElementPurpose::focus;
        const std::optional<int> none;
        const auto row = [](const char* name, const QStringList& texts, Role role, bool canPress,
                            bool hasCenter, const char* target, ElementPurpose purpose,
                            std::optional<int> expected) {
            QTest::newRow(name) << texts << role << canPress << hasCenter
                                << QString::fromUtf8(target) << purpose << expected;
        };
        row("button equal, press, centre", {u"OK"_qs}, Role::button, true, true, "ok", click, 140);
        row("field begins with target, no press", {u"OK Code"_qs}, Role::textField, false, true,
            "ok", click, 85);
        row("static text contains target, no clickable bonus", {u"Open the Settings"_qs},
            Role::staticText, false, true, "settings", click, 65);
        row("two letters are too short for the reverse rule", {u"Go"_qs}, Role::button, true, true,
            "go to settings", click, none);
        row("target contains text", {u"Settings"_qs}, Role::button, true, true, "go to settings",
            click, 80);
        row("begins with wins over contains", {u"ok ok"_qs}, Role::link, false, false, "ok", click,
            105);
        row("best of several texts", {u"Cancel"_qs, u"save as"_qs, u"Save"_qs}, Role::button, false,
            false, "save", click, 125);
        row("press makes any role clickable", {u"Logo"_qs}, Role::image, true, false, "logo", click,
            135);
        row("image without press is not eligible", {u"Logo"_qs}, Role::image, false, true, "logo",
            click, none);
        row("focus takes a field", {u"Email"_qs}, Role::textField, false, true, "email", focus,
            140);
        row("focus refuses a button", {u"Email"_qs}, Role::button, true, true, "email", focus,
            none);
        row("a target of punctuation only matches nothing", {u"OK"_qs}, Role::button, true, true,
            "", click, none);
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
