// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/UnavailableComputerUseService.h"

namespace korvane {

QString UnavailableComputerUseService::unavailableMessage()
{
    return QStringLiteral("Computer use is not available in this build.");
}

QCoro::Task<ComputerUseResult> UnavailableComputerUseService::execute(QString)
{
    co_return ComputerUseResult::failure(unavailableMessage());
}

QCoro::Task<ComputerUseResult> UnavailableComputerUseService::executeTypedCommand(QString)
{
    co_return ComputerUseResult{.summary = unavailableMessage()};
}

QCoro::Task<ComputerUseResult> UnavailableComputerUseService::inspectUI()
{
    co_return ComputerUseResult::failure(unavailableMessage());
}

QCoro::Task<ComputerUseResult> UnavailableComputerUseService::runPythonScript(QString,
                                                                              ScriptPermissions)
{
    co_return ComputerUseResult::failure(unavailableMessage());
}

} // namespace korvane
