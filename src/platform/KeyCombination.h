// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace korvane {

// A key and the modifiers held with it, written the way Settings shows it: "Ctrl+Alt+Space".
struct KeyCombination {
    enum Modifier : unsigned { control = 1, alt = 2, shift = 4, meta = 8 };

    unsigned modifiers = 0;
    // The key by its X keysym name: "space", "F9", "a", "Pause".
    QString key{};

    // Modifiers (Ctrl or Control, Alt, Shift, Meta, Super or Win) and then one key, joined by
    // '+', in any case; the key names Qt writes for a key sequence are understood too ("Esc",
    // "PgUp"). Absent for anything else.
    static std::optional<KeyCombination> parse(QStringView text);

    // "Ctrl+Alt+Space".
    QString text() const;
    // The trigger the desktop's GlobalShortcuts portal takes: "CTRL+ALT+space".
    QString portalTrigger() const;

    friend bool operator==(const KeyCombination&, const KeyCombination&) = default;
};

} // namespace korvane
