// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/WindowActivator.h"

namespace korvane {

// For headless runs and until the window installs its own: there is nothing to bring forward.
class NoWindowActivator final : public WindowActivator {
public:
    void activateAppWindows() override;
};

} // namespace korvane
