// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace korvane {

// The kind of graphical session this process runs in, which decides the desktop backends.
struct DesktopSession {
    enum class Kind { x11, wayland, none };
    enum class Desktop { gnome, kde, other };

    Kind kind = Kind::none;
    Desktop desktop = Desktop::other;

    // From WAYLAND_DISPLAY, XDG_SESSION_TYPE, DISPLAY and XDG_CURRENT_DESKTOP.
    static DesktopSession detect(const QProcessEnvironment& environment);
    static DesktopSession current();

    // "Wayland (GNOME)", "X11 (KDE)", "none".
    QString description() const;

    friend bool operator==(const DesktopSession&, const DesktopSession&) = default;
};

} // namespace korvane
