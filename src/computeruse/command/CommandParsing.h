// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "computeruse/command/ComputerUseCommand.h"

#include <QStringView>

#include <optional>

namespace korvane {

// Runs the whole parser chain on free text, in its fixed order: music first, then app
// interaction, app launch (wrapped as openApp) and the fallback. The text is trimmed first.
std::optional<ComputerUseCommand> parseComputerUseCommand(QStringView text);

} // namespace korvane
