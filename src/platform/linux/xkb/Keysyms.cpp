// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/xkb/Keysyms.h"

#include <X11/keysym.h>

namespace korvane::keysyms {

namespace {

constexpr quint32 unicodeKeysymBase = 0x01000000;

bool isLatin1Printable(char32_t codePoint)
{
    return (codePoint >= 0x20 && codePoint <= 0x7e) || (codePoint >= 0xa0 && codePoint <= 0xff);
}

struct NamedKey {
    Qt::Key key;
    quint32 keysym;
};

constexpr NamedKey namedKeys[] = {
    {Qt::Key_Return, XK_Return},
    {Qt::Key_Enter, XK_KP_Enter},
    {Qt::Key_Tab, XK_Tab},
    {Qt::Key_Backtab, XK_ISO_Left_Tab},
    {Qt::Key_Backspace, XK_BackSpace},
    {Qt::Key_Escape, XK_Escape},
    {Qt::Key_Delete, XK_Delete},
    {Qt::Key_Insert, XK_Insert},
    {Qt::Key_Home, XK_Home},
    {Qt::Key_End, XK_End},
    {Qt::Key_PageUp, XK_Prior},
    {Qt::Key_PageDown, XK_Next},
    {Qt::Key_Left, XK_Left},
    {Qt::Key_Right, XK_Right},
    {Qt::Key_Up, XK_Up},
    {Qt::Key_Down, XK_Down},
    {Qt::Key_Menu, XK_Menu},
    {Qt::Key_Print, XK_Print},
    {Qt::Key_Pause, XK_Pause},
};

} // namespace

std::optional<quint32> forKey(Qt::Key key)
{
    // Qt names printable keys by their upper-case Latin-1 character; the key itself types the
    // lower-case one.
    const auto code = static_cast<char32_t>(key);
    if (isLatin1Printable(code)) {
        if (code >= u'A' && code <= u'Z')
            return quint32(code - u'A' + u'a');
        return quint32(code);
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return quint32(XK_F1 + (key - Qt::Key_F1));
    for (const NamedKey& named : namedKeys) {
        if (named.key == key)
            return named.keysym;
    }
    return std::nullopt;
}

std::optional<quint32> forCodePoint(char32_t codePoint)
{
    switch (codePoint) {
    case u'\n':
    case u'\r':
        return XK_Return;
    case u'\t':
        return XK_Tab;
    default:
        break;
    }
    if (isLatin1Printable(codePoint))
        return quint32(codePoint);
    if (codePoint < 0xa0 || codePoint > 0x10ffff || (codePoint >= 0xd800 && codePoint <= 0xdfff))
        return std::nullopt;
    return unicodeKeysymBase + quint32(codePoint);
}

std::optional<char32_t> codePointOf(quint32 keysym)
{
    if (isLatin1Printable(keysym))
        return keysym;
    if (keysym > unicodeKeysymBase && keysym <= unicodeKeysymBase + 0x10ffff)
        return keysym - unicodeKeysymBase;
    return std::nullopt;
}

quint32 shift()
{
    return XK_Shift_L;
}

quint32 control()
{
    return XK_Control_L;
}

quint32 alt()
{
    return XK_Alt_L;
}

QList<quint32> forText(const QString& utf16)
{
    QList<quint32> typed;
    for (qsizetype i = 0; i < utf16.size(); ++i) {
        const QChar unit = utf16.at(i);
        char32_t codePoint = unit.unicode();
        if (unit.isHighSurrogate() && i + 1 < utf16.size() && utf16.at(i + 1).isLowSurrogate()) {
            codePoint = QChar::surrogateToUcs4(unit, utf16.at(i + 1));
            ++i;
        } else if (unit.isSurrogate()) {
            continue;
        }
        if (const std::optional<quint32> keysym = forCodePoint(codePoint))
            typed.append(*keysym);
    }
    return typed;
}

} // namespace korvane::keysyms
