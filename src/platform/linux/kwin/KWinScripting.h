// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointF>
#include <QString>

#include <optional>

namespace korvane {

// KDE's window manager, asked through its scripting interface on the session bus: for each
// request a short script is loaded, run and unloaded, and it answers back over the bus. KWin
// lets such scripts raise any window, which Wayland otherwise allows no program.
//
// Blocking (a few round trips, at most a second): call it on the automation thread. The
// scripts carry only numbers Korvane made; window titles come back as data, never go in.
class KWinScripting final {
public:
    // Restores and activates the first normal window of `processId`; false when KWin is not
    // there or the process has no window.
    static bool activateWindowOf(qint64 processId);
    // Where the window of `processId` titled `title` has its top-left corner on screen
    // (its surface, where the toolkit's own coordinates start). Absent when unknown.
    static std::optional<QPointF> windowOrigin(qint64 processId, const QString& title);
};

} // namespace korvane
