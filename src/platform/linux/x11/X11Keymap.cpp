// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/x11/X11Keymap.h"

#include "platform/linux/xkb/Keysyms.h"

#include <QChar>

#include <algorithm>

namespace korvane {

namespace {

constexpr quint32 noSymbol = 0;

// The second level a keycode listed as (lower-case letter, NoSymbol) has implicitly.
quint32 impliedUpperCase(quint32 keysym)
{
    const std::optional<char32_t> codePoint = keysyms::codePointOf(keysym);
    if (!codePoint)
        return keysym;
    const char32_t upper = QChar::toUpper(*codePoint);
    if (upper == *codePoint)
        return keysym;
    return keysyms::forCodePoint(upper).value_or(keysym);
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

QList<int> X11Keymap::spareKeycodes() const
{
    QList<int> empty;
    std::optional<int> fallback;
    for (int index = keycodeCount() - 1; index >= 0; --index) {
        const int keycode = m_firstKeycode + index;
        if (m_modifierKeycodes.contains(keycode))
            continue;
        const QList<quint32> symbols = symbolsOf(keycode);
        if (std::all_of(symbols.cbegin(), symbols.cend(),
                        [](quint32 symbol) { return symbol == noSymbol; }))
            empty.append(keycode);
        else if (!fallback)
            fallback = keycode;
    }
    if (empty.isEmpty() && fallback)
        empty.append(*fallback);
    return empty;
}

} // namespace korvane
