#include "platform/linux/x11/X11Keymap.h"

#include <QChar>

#include <X11/keysym.h>
#include <algorithm>

namespace korvane {

namespace {

constexpr quint32 noSymbol = 0;
constexpr quint32 unicodeKeysymBase = 0x01000000;

struct VirtualKey {
    quint16 code;
    quint32 keysym;
};

// ANSI-layout virtual key codes (KeyboardKey's table, plus the usual navigation and function
// keys) and the X keysym of the key at that place on a US keyboard.
constexpr VirtualKey virtualKeys[] = {
    {0, XK_a},       {1, XK_s},          {2, XK_d},
    {3, XK_f},       {4, XK_h},          {5, XK_g},
    {6, XK_z},       {7, XK_x},          {8, XK_c},
    {9, XK_v},       {11, XK_b},         {12, XK_q},
    {13, XK_w},      {14, XK_e},         {15, XK_r},
    {16, XK_y},      {17, XK_t},         {18, XK_1},
    {19, XK_2},      {20, XK_3},         {21, XK_4},
    {22, XK_6},      {23, XK_5},         {24, XK_equal},
    {25, XK_9},      {26, XK_7},         {27, XK_minus},
    {28, XK_8},      {29, XK_0},         {30, XK_bracketright},
    {31, XK_o},      {32, XK_u},         {33, XK_bracketleft},
    {34, XK_i},      {35, XK_p},         {36, XK_Return},
    {37, XK_l},      {38, XK_j},         {39, XK_apostrophe},
    {40, XK_k},      {41, XK_semicolon}, {42, XK_backslash},
    {43, XK_comma},  {44, XK_slash},     {45, XK_n},
    {46, XK_m},      {47, XK_period},    {48, XK_Tab},
    {49, XK_space},  {50, XK_grave},     {51, XK_BackSpace},
    {53, XK_Escape}, {76, XK_KP_Enter},  {96, XK_F5},
    {97, XK_F6},     {98, XK_F7},        {99, XK_F3},
    {100, XK_F8},    {101, XK_F9},       {103, XK_F11},
    {109, XK_F10},   {111, XK_F12},      {115, XK_Home},
    {116, XK_Prior}, {117, XK_Delete},   {118, XK_F4},
    {119, XK_End},   {120, XK_F2},       {121, XK_Next},
    {122, XK_F1},    {123, XK_Left},     {124, XK_Right},
    {125, XK_Down},  {126, XK_Up},
};

std::optional<char32_t> codePointOf(quint32 keysym)
{
    if ((keysym >= 0x20 && keysym <= 0x7e) || (keysym >= 0xa0 && keysym <= 0xff))
        return keysym;
    if (keysym > unicodeKeysymBase && keysym <= unicodeKeysymBase + 0x10ffff)
        return keysym - unicodeKeysymBase;
    return std::nullopt;
}

// The second level a keycode listed as (lower-case letter, NoSymbol) has implicitly.
quint32 impliedUpperCase(quint32 keysym)
{
    const std::optional<char32_t> codePoint = codePointOf(keysym);
    if (!codePoint)
        return keysym;
    const char32_t upper = QChar::toUpper(*codePoint);
    if (upper == *codePoint)
        return keysym;
    return X11Keymap::keysymForCodePoint(upper).value_or(keysym);
}

} // namespace

X11Keymap::X11Keymap(int firstKeycode, int symbolsPerKeycode, QList<quint32> symbols,
                     QList<int> modifierKeycodes)
    : m_firstKeycode(firstKeycode)
    , m_symbolsPerKeycode(std::max(symbolsPerKeycode, 0))
    , m_symbols(std::move(symbols))
    , m_modifierKeycodes(std::move(modifierKeycodes))
{
}

std::optional<quint32> X11Keymap::keysymForVirtualKey(quint16 keyCode)
{
    for (const VirtualKey& key : virtualKeys) {
        if (key.code == keyCode)
            return key.keysym;
    }
    return std::nullopt;
}

std::optional<quint32> X11Keymap::keysymForCodePoint(char32_t codePoint)
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
    if ((codePoint >= 0x20 && codePoint <= 0x7e) || (codePoint >= 0xa0 && codePoint <= 0xff))
        return quint32(codePoint);
    if (codePoint < 0xa0 || codePoint > 0x10ffff || (codePoint >= 0xd800 && codePoint <= 0xdfff))
        return std::nullopt;
    return unicodeKeysymBase + quint32(codePoint);
}

int X11Keymap::keycodeCount() const
{
    return m_symbolsPerKeycode > 0 ? int(m_symbols.size() / m_symbolsPerKeycode) : 0;
}

QList<quint32> X11Keymap::symbolsOf(int keycode) const
{
    const int index = keycode - m_firstKeycode;
    if (index < 0 || index >= keycodeCount())
        return {};
    return m_symbols.mid(qsizetype(index) * m_symbolsPerKeycode, m_symbolsPerKeycode);
}

std::optional<X11Keymap::Placement> X11Keymap::find(quint32 keysym) const
{
    if (keysym == noSymbol || m_symbolsPerKeycode == 0)
        return std::nullopt;
    std::optional<Placement> shifted;
    for (int index = 0; index < keycodeCount(); ++index) {
        const qsizetype base = qsizetype(index) * m_symbolsPerKeycode;
        const quint32 plain = m_symbols[base];
        if (plain == keysym)
            return Placement{m_firstKeycode + index, false};
        if (shifted)
            continue;
        quint32 second = m_symbolsPerKeycode > 1 ? m_symbols[base + 1] : noSymbol;
        if (second == noSymbol)
            second = impliedUpperCase(plain);
        if (second == keysym)
            shifted = Placement{m_firstKeycode + index, true};
    }
    return shifted;
}

std::optional<int> X11Keymap::spareKeycode() const
{
    std::optional<int> fallback;
    for (int index = keycodeCount() - 1; index >= 0; --index) {
        const int keycode = m_firstKeycode + index;
        if (m_modifierKeycodes.contains(keycode))
            continue;
        const QList<quint32> symbols = symbolsOf(keycode);
        if (std::all_of(symbols.cbegin(), symbols.cend(),
                        [](quint32 symbol) { return symbol == noSymbol; }))
            return keycode;
        if (!fallback)
            fallback = keycode;
    }
    return fallback;
}

} // namespace korvane
