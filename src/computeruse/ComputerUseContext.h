// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "computeruse/ComputerUseBackends.h"
#include "computeruse/Pacing.h"
#include "core/ComputerUseResult.h"
#include "platform/PlatformPorts.h"

#include <memory>

namespace korvane {

class ApplicationCatalog;
class BrowserAutomation;
class DocumentAutomation;
class MusicAutomation;
class UIAutomation;
class Workspace;

// The executor's backends, every one present. Shared by the running operations, so none of
// them depends on the service object staying alive.
struct ComputerUseContext {
    PlatformPorts ports{};
    ComputerUseBackends::SearchFunction search{};
    std::shared_ptr<Pacing> pacing{};
};

using ContextPointer = std::shared_ptr<const ComputerUseContext>;

} // namespace korvane
