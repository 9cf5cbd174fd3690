// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/NoWindowActivator.h"

namespace korvane {

void NoWindowActivator::activateAppWindows()
{
}

} // namespace korvane
