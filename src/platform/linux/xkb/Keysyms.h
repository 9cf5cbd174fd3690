// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <Qt>
#include <QtGlobal>

#include <optional>

namespace korvane::keysyms {

// X keysyms, the names both the X server and the Wayland remote-desktop portals take for
// keys. Plain numbers here, so no X header leaks out of this folder.

// The keysym of the key a US keyboard has for `key` (letters lower case); absent for keys
// without one.
std::optional<quint32> forKey(Qt::Key key);
// The keysym that types `codePoint`: Latin-1 directly, line breaks and tab as their keys,
// anything else as a Unicode keysym. Absent for other control characters, surrogates and
// values beyond Unicode.
std::optional<quint32> forCodePoint(char32_t codePoint);
// The keysyms that type `utf16`, one a code point; lone surrogates and characters without a
// keysym are left out.
QList<quint32> forText(const QString& utf16);
// The character a printable keysym types; absent for function keys and modifiers.
std::optional<char32_t> codePointOf(quint32 keysym);

// The left-hand modifier keys.
quint32 shift();
quint32 control();
quint32 alt();

} // namespace korvane::keysyms
