// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWindow;

namespace korvane {

// Brings a top-level window to the front: restores it when minimised, raises it and asks the
// window manager to activate it (Qt sends _NET_ACTIVE_WINDOW on X11).
void bringWindowToFront(QWindow* window);

} // namespace korvane
