// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandTestSupport.h"
#include "uiautomation/KeyboardKey.h"

#include <QTest>

using namespace korvane;
using Key = std::optional<KeyboardKey>;

class KeyboardKeyTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
};

static Key key(const char* name, std::optional<quint16> code, quint64 modifiers)
{
    return KeyboardKey{QString::fromUtf8(name), code, modifiers};
}

void KeyboardKeyTest::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Key>("expected");
    constexpr quint64 cmd = KeyboardKey::command;
    constexpr quint64 shift = KeyboardKey::shift;
    constexpr quint64 opt = KeyboardKey::option;
    constexpr quint64 ctrl = KeyboardKey::control;
    auto row = [](const char* text, Key expected) {
        QTest::newRow(text) << QString::fromUtf8(text) << expected;
    };
    row("Enter key", key("Enter", 36, 0));
    row("cmd shift t", key("Command-Shift-T", 17, cmd | shift));
    row("shift cmd", std::nullopt);
    row("page down", key("Page Down", std::nullopt, 0));
    row("alt esc", key("Option-Esc", 53, opt));
    row("ctrl option delete", key("Option-Control-Delete", 51, opt | ctrl));
    row("keyboard", key("Board", std::nullopt, 0));
    row("hockey", key("Hoc", std::nullopt, 0));
    row("shift F5", key("Shift-F5", std::nullopt, shift));
    row("ÉCLAIR", key("Éclair", std::nullopt, 0));
}

void KeyboardKeyTest::parse()
{
    QFETCH(QString, text);
    QFETCH(Key, expected);
    QCOMPARE(KeyboardKey::parse(text), expected);
}

QTEST_GUILESS_MAIN(KeyboardKeyTest)
#include "tst_keyboardkey.moc"
