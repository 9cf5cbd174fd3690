// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>
#include <Qt>

#include <optional>

namespace korvane {

// One key press with modifiers, parsed from a description such as "command shift t".
struct KeyboardKey {
    // Modifier flags, as bit values on both the key-down and key-up events.
    enum Modifier : quint64 {
        command = 0x100000,
        shift = 0x20000,
        option = 0x80000,
        control = 0x40000,
    };

    QString displayName{};
    // The ANSI-layout virtual key code; absent when the key name is not in the table.
    std::optional<quint16> keyCode{};
    quint64 modifiers = 0;

    // Absent when the description names no key (modifiers alone give nothing).
    static std::optional<KeyboardKey> parse(QStringView description);

    // The key as the desktop names it; absent without a key code.
    std::optional<Qt::Key> key() const;
    // The modifiers held on this desktop: "command" means Control, as Linux shortcuts do
    // (copy, new tab, reopen a closed tab); Super belongs to the window manager.
    Qt::KeyboardModifiers keyboardModifiers() const;

    friend bool operator==(const KeyboardKey&, const KeyboardKey&) = default;
};

} // namespace korvane
