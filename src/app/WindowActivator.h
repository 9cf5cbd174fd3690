// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace korvane {

// Brings the program's windows to the front: de-minimise, raise, make active, ask the window
// manager to focus them. The window supplies the real one.
class WindowActivator {
public:
    virtual ~WindowActivator() = default;

    virtual void activateAppWindows() = 0;
};

} // namespace korvane
