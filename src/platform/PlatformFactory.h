#pragma once

#include "platform/PlatformPorts.h"

namespace korvane {

// The backends for the desktop this process runs on, chosen once per call.
PlatformPorts createDesktopPorts();

// `ports` with every empty member filled by this desktop's backend.
PlatformPorts completedWithDesktopPorts(PlatformPorts ports);

} // namespace korvane
