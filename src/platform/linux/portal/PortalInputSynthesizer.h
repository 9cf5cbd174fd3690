// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/InputSynthesizer.h"

#include <chrono>
#include <functional>
#include <memory>

namespace korvane {

// Synthetic input on a Wayland desktop, through the remote-desktop interface of
// xdg-desktop-portal: the only way there for one program to type into another.
//
// One session serves the whole run: it is started on first need (the desktop may ask the
// person, GNOME does every time) and kept open. Where the portal can remember the consent
// (interface version 2 or later) Korvane asks it to, and keeps the portal's restore token in
// the user settings, so the person is asked once. A refusal is not remembered: the next
// operation asks again, as its sentence says it will.
//
// Keys and text go as keysyms (Unicode keysyms beyond Latin-1; a compositor drops those its
// keyboard layout lacks). The pointer is placed through a screen-cast stream of the monitor,
// asked for only where element places are known (KDE): elsewhere clicks at a position are
// not posted.
//
// Blocking: call it on the automation thread, while the main thread serves its events (the
// portal's answers are taken in there).
class PortalInputSynthesizer final : public InputSynthesizer {
public:
    struct Options {
        // Asks for a screen-cast stream too, to place the pointer.
        bool pointAtPositions = false;
        // The consent from an earlier run, and where to keep a new one.
        std::function<QString()> loadRestoreToken{};
        std::function<void(const QString&)> saveRestoreToken{};
        // How long the person has to answer the desktop's consent dialog.
        std::chrono::milliseconds consentTimeout = std::chrono::minutes(2);
    };

    explicit PortalInputSynthesizer(Options options);
    ~PortalInputSynthesizer() override;
    Q_DISABLE_COPY_MOVE(PortalInputSynthesizer)

    Outcome prepare() override;
    bool postClick(QPointF point) override;
    bool postKey(Qt::Key key, Qt::KeyboardModifiers modifiers) override;
    bool postUnicode(const QString& utf16) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace korvane
