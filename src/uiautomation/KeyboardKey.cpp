// SPDX-License-Identifier: GPL-3.0-or-later
#include "uiautomation/KeyboardKey.h"

#include <QStringList>

namespace korvane {

namespace {

struct ModifierWord {
    QStringView word;
    KeyboardKey::Modifier flag;
};

constexpr ModifierWord modifierWords[] = {
    {u"command", KeyboardKey::command}, {u"cmd", KeyboardKey::command},
    {u"shift", KeyboardKey::shift},     {u"option", KeyboardKey::option},
    {u"alt", KeyboardKey::option},      {u"control", KeyboardKey::control},
    {u"ctrl", KeyboardKey::control},
};

struct ModifierName {
    KeyboardKey::Modifier flag;
    QStringView name;
};

// The order in which display names list the modifiers, whatever order they were said in.
constexpr ModifierName modifierNames[] = {
    {KeyboardKey::command, u"Command"},
    {KeyboardKey::shift, u"Shift"},
    {KeyboardKey::option, u"Option"},
    {KeyboardKey::control, u"Control"},
};

struct KeyCode {
    QStringView name;
    quint16 code;
    Qt::Key key;
};

// ANSI-layout virtual key codes, and the key at that place on a US keyboard. The Mac "delete"
// key is the one Linux calls Backspace.
constexpr KeyCode keyCodes[] = {
    {u"a", 0, Qt::Key_A},
    {u"s", 1, Qt::Key_S},
    {u"d", 2, Qt::Key_D},
    {u"f", 3, Qt::Key_F},
    {u"h", 4, Qt::Key_H},
    {u"g", 5, Qt::Key_G},
    {u"z", 6, Qt::Key_Z},
    {u"x", 7, Qt::Key_X},
    {u"c", 8, Qt::Key_C},
    {u"v", 9, Qt::Key_V},
    {u"b", 11, Qt::Key_B},
    {u"q", 12, Qt::Key_Q},
    {u"w", 13, Qt::Key_W},
    {u"e", 14, Qt::Key_E},
    {u"r", 15, Qt::Key_R},
    {u"y", 16, Qt::Key_Y},
    {u"t", 17, Qt::Key_T},
    {u"1", 18, Qt::Key_1},
    {u"2", 19, Qt::Key_2},
    {u"3", 20, Qt::Key_3},
    {u"4", 21, Qt::Key_4},
    {u"6", 22, Qt::Key_6},
    {u"5", 23, Qt::Key_5},
    {u"=", 24, Qt::Key_Equal},
    {u"9", 25, Qt::Key_9},
    {u"7", 26, Qt::Key_7},
    {u"-", 27, Qt::Key_Minus},
    {u"8", 28, Qt::Key_8},
    {u"0", 29, Qt::Key_0},
    {u"]", 30, Qt::Key_BracketRight},
    {u"o", 31, Qt::Key_O},
    {u"u", 32, Qt::Key_U},
    {u"[", 33, Qt::Key_BracketLeft},
    {u"i", 34, Qt::Key_I},
    {u"p", 35, Qt::Key_P},
    {u"return", 36, Qt::Key_Return},
    {u"enter", 36, Qt::Key_Return},
    {u"l", 37, Qt::Key_L},
    {u"j", 38, Qt::Key_J},
    {u"'", 39, Qt::Key_Apostrophe},
    {u"k", 40, Qt::Key_K},
    {u";", 41, Qt::Key_Semicolon},
    {u"\\", 42, Qt::Key_Backslash},
    {u",", 43, Qt::Key_Comma},
    {u"/", 44, Qt::Key_Slash},
    {u"n", 45, Qt::Key_N},
    {u"m", 46, Qt::Key_M},
    {u".", 47, Qt::Key_Period},
    {u"tab", 48, Qt::Key_Tab},
    {u"space", 49, Qt::Key_Space},
    {u"`", 50, Qt::Key_QuoteLeft},
    {u"delete", 51, Qt::Key_Backspace},
    {u"backspace", 51, Qt::Key_Backspace},
    {u"escape", 53, Qt::Key_Escape},
    {u"esc", 53, Qt::Key_Escape},
    {u"left", 123, Qt::Key_Left},
    {u"right", 124, Qt::Key_Right},
    {u"down", 125, Qt::Key_Down},
    {u"up", 126, Qt::Key_Up},
};

std::optional<quint16> keyCodeFor(QStringView name)
{
    for (const KeyCode& key : keyCodes) {
        if (key.name == name)
            return key.code;
    }
    return std::nullopt;
}

// Each word starts upper case, the rest lower case; words are separated by white space.
QString capitalized(QStringView name)
{
    QString result;
    result.reserve(name.size());
    bool atWordStart = true;
    for (qsizetype i = 0; i < name.size();) {
        const QChar c = name[i];
        qsizetype width =
            (c.isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate()) ? 2 : 1;
        const QStringView piece = name.sliced(i, width);
        if (c.isSpace()) {
            result.append(piece);
            atWordStart = true;
        } else {
            result.append(atWordStart ? piece.toString().toUpper() : piece.toString().toLower());
            atWordStart = false;
        }
        i += width;
    }
    return result;
}

QString displayNameFor(QStringView name, quint64 modifiers)
{
    QStringList parts;
    for (const ModifierName& modifier : modifierNames) {
        if (modifiers & modifier.flag)
            parts.append(modifier.name.toString());
    }
    parts.append(capitalized(name));
    return parts.join(u'-');
}

} // namespace

std::optional<KeyboardKey> KeyboardKey::parse(QStringView description)
{
    // A plain substring removal: "enter key" → "enter", but also inside other words.
    QString text = description.toString().toLower();
    text.remove(QStringLiteral("key"));

    quint64 modifiers = 0;
    QStringList kept;
    const QStringView trimmed = QStringView(text).trimmed();
    for (QStringView piece : trimmed.split(u' ', Qt::SkipEmptyParts)) {
        bool isModifier = false;
        for (const ModifierWord& modifier : modifierWords) {
            if (modifier.word == piece) {
                modifiers |= modifier.flag;
                isModifier = true;
                break;
            }
        }
        if (!isModifier)
            kept.append(piece.toString());
    }

    const QString name = kept.join(u' ');
    if (name.isEmpty())
        return std::nullopt;
    return KeyboardKey{displayNameFor(name, modifiers), keyCodeFor(name), modifiers};
}

std::optional<Qt::Key> KeyboardKey::key() const
{
    if (!keyCode)
        return std::nullopt;
    for (const KeyCode& entry : keyCodes) {
        if (entry.code == *keyCode)
            return entry.key;
    }
    return std::nullopt;
}

Qt::KeyboardModifiers KeyboardKey::keyboardModifiers() const
{
    Qt::KeyboardModifiers held;
    if (modifiers & (command | control))
        held |= Qt::ControlModifier;
    if (modifiers & shift)
        held |= Qt::ShiftModifier;
    if (modifiers & option)
        held |= Qt::AltModifier;
    return held;
}

} // namespace korvane
