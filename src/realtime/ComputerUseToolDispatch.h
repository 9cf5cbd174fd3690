// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "computeruse/ComputerUseToolActions.h"
#include "core/ComputerUseResult.h"
#include "realtime/ComputerUseToolArguments.h"

#include <qcoro/qcorotask.h>

#include <memory>

namespace korvane {

// Carries out one `computer_use` call: the action, trimmed and lower-cased, picks the
// operation; a missing argument or an unknown action is answered with its own sentence.
QCoro::Task<ComputerUseResult> executeToolAction(std::shared_ptr<ComputerUseToolActions> actions,
                                                 ComputerUseToolArguments arguments);

} // namespace korvane
