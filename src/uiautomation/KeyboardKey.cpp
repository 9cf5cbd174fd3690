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
};

// ANSI-layout virtual key codes.
constexpr KeyCode keyCodes[] = {
    {u"a", 0},       {u"s", 1},       {u"d", 2},          {u"f", 3},       {u"h", 4},
    {u"g", 5},       {u"z", 6},       {u"x", 7},          {u"c", 8},       {u"v", 9},
    {u"b", 11},      {u"q", 12},      {u"w", 13},         {u"e", 14},      {u"r", 15},
    {u"y", 16},      {u"t", 17},      {u"1", 18},         {u"2", 19},      {u"3", 20},
    {u"4", 21},      {u"6", 22},      {u"5", 23},         {u"=", 24},      {u"9", 25},
    {u"7", 26},      {u"-", 27},      {u"8", 28},         {u"0", 29},      {u"]", 30},
    {u"o", 31},      {u"u", 32},      {u"[", 33},         {u"i", 34},      {u"p", 35},
    {u"return", 36}, {u"enter", 36},  {u"l", 37},         {u"j", 38},      {u"'", 39},
    {u"k", 40},      {u";", 41},      {u"\\", 42},        {u",", 43},      {u"/", 44},
    {u"n", 45},      {u"m", 46},      {u".", 47},         {u"tab", 48},    {u"space", 49},
    {u"`", 50},      {u"delete", 51}, {u"backspace", 51}, {u"escape", 53}, {u"esc", 53},
    {u"left", 123},  {u"right", 124}, {u"down", 125},     {u"up", 126},
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

} // namespace korvane
