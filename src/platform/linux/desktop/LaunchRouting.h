// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/linux/desktop/LaunchRequest.h"

namespace korvane {

class AppIntentRouter;

// Runs the intent a launch request stands for on `router`; a bare activation routes nothing.
void routeLaunchRequest(const LaunchRequest& request, AppIntentRouter& router);

} // namespace korvane
