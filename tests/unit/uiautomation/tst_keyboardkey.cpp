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
    void everyTableEntry_data();
    void everyTableEntry();
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
    row("  command\n", std::nullopt);
    row("keyboard", key("Board", std::nullopt, 0));
    row("hockey", key("Hoc", std::nullopt, 0));
    row("shift F5", key("Shift-F5", std::nullopt, shift));
    row("", std::nullopt);
    row("ÉCLAIR", key("Éclair", std::nullopt, 0));
}

void KeyboardKeyTest::parse()
{
    QFETCH(QString, text);
    QFETCH(Key, expected);
    QCOMPARE(KeyboardKey::parse(text), expected);
}

void KeyboardKeyTest::everyTableEntry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");
    const char* names[] = {
        "a", "s",      "d",         "f",      "h",   "g",      "z",     "x",    "c",   "v",
        "b", "q",      "w",         "e",      "r",   "y",      "t",     "1",    "2",   "3",
        "4", "6",      "5",         "=",      "9",   "7",      "-",     "8",    "0",   "]",
        "o", "u",      "[",         "i",      "p",   "return", "enter", "l",    "j",   "'",
        "k", ";",      "\\",        ",",      "/",   "n",      "m",     ".",    "tab", "space",
        "`", "delete", "backspace", "escape", "esc", "left",   "right", "down", "up"};
    const int codes[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  11,  12,  13,  14, 15,
                         16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26,  27,  28,  29, 30,
                         31, 32, 33, 34, 35, 36, 36, 37, 38, 39, 40,  41,  42,  43, 44,
                         45, 46, 47, 48, 49, 50, 51, 51, 53, 53, 123, 124, 125, 126};
    static_assert(std::size(names) == std::size(codes));
    for (std::size_t i = 0; i < std::size(names); ++i)
        QTest::newRow(names[i]) << QString::fromUtf8(names[i]) << codes[i];
}

void KeyboardKeyTest::everyTableEntry()
{
    QFETCH(QString, name);
    QFETCH(int, code);
    const Key parsed = KeyboardKey::parse(name.toUpper());
    QVERIFY(parsed);
    QCOMPARE(parsed->keyCode, std::optional<quint16>(quint16(code)));
}

QTEST_GUILESS_MAIN(KeyboardKeyTest)
#include "tst_keyboardkey.moc"
