#pragma once

#include "platform/PlatformPorts.h"

#include <memory>

namespace korvane {

// The backends for the desktop this process runs on, chosen once per call.
PlatformPorts createDesktopPorts();

// `ports` with every empty member filled by this desktop's backend.
PlatformPorts completedWithDesktopPorts(PlatformPorts ports);

class GlobalShortcut;
// The hold-to-talk key: the desktop's GlobalShortcuts portal where it is offered, else a key
// grab in an X11 session.
std::shared_ptr<GlobalShortcut> createGlobalShortcut();

} // namespace korvane
