// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QtGlobal>

#include <optional>

namespace korvane {

// A copy of the X server's core keyboard mapping.
// Keysyms and keycodes are plain numbers here so no X header leaks out of this folder.
class X11Keymap final {
public:
    // Where a keysym sits: on `keycode`, with Shift held when `shifted`.
    struct Placement {
        int keycode = 0;
        bool shifted = false;

        friend bool operator==(const Placement&, const Placement&) = default;
    };

    X11Keymap() = default;
    // `symbols` holds `symbolsPerKeycode` keysyms for each keycode from `firstKeycode` on, as
    // XGetKeyboardMapping returns them; `modifierKeycodes` are the keycodes bound to any
    // modifier (they are never borrowed for typing).
    X11Keymap(int firstKeycode, int symbolsPerKeycode, QList<quint32> symbols,
              QList<int> modifierKeycodes);

    // The keycode that gives `keysym` on the first group: plain before shifted.
    std::optional<Placement> find(quint32 keysym) const;
    // Keycodes free for temporary bindings: those without any keysym, highest first; when
    // there are none, the highest one that is no modifier.
    QList<int> spareKeycodes() const;
    // The keysyms of one keycode (empty outside the mapping).
    QList<quint32> symbolsOf(int keycode) const;

    int firstKeycode() const { return m_firstKeycode; }
    int symbolsPerKeycode() const { return m_symbolsPerKeycode; }
    int keycodeCount() const;

    friend bool operator==(const X11Keymap&, const X11Keymap&) = default;

private:
    int m_firstKeycode = 0;
    int m_symbolsPerKeycode = 0;
    QList<quint32> m_symbols{};
    QList<int> m_modifierKeycodes{};
};

} // namespace korvane
