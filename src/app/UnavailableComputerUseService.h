// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "computeruse/ComputerUseService.h"

namespace korvane {

// Answers every command with a sentence saying computer use is missing from this build.
class UnavailableComputerUseService final : public ComputerUseService {
public:
    static QString unavailableMessage();

    QCoro::Task<ComputerUseResult> execute(QString text) override;
    QCoro::Task<ComputerUseResult> executeTypedCommand(QString text) override;
    QCoro::Task<ComputerUseResult> inspectUI() override;
    QCoro::Task<ComputerUseResult> runPythonScript(QString code,
                                                   ScriptPermissions permissions) override;
};

} // namespace korvane
