// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "computeruse/ScriptPermissions.h"
#include "core/ComputerUseResult.h"

#include <QString>
#include <qcoro/qcorotask.h>

namespace korvane {

// What the application model asks of the computer-use layer. Every operation answers with a
// result whose summary is one sentence, failures included; none throws.
class ComputerUseService {
public:
    virtual ~ComputerUseService() = default;

    // Parses free text into a command and carries it out on what is in front.
    virtual QCoro::Task<ComputerUseResult> execute(QString text) = 0;
    // The same for a command typed into Korvane's own window: while that window is in front,
    // a command that acts on the frontmost application acts on the one used just before.
    virtual QCoro::Task<ComputerUseResult> executeTypedCommand(QString text) = 0;
    virtual QCoro::Task<ComputerUseResult> inspectUI() = 0;
    // The script runs in its sandbox whatever `permissions` say; they only open it further.
    virtual QCoro::Task<ComputerUseResult> runPythonScript(QString code,
                                                           ScriptPermissions permissions) = 0;
};

} // namespace korvane
