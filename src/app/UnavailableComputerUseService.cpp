#include "app/UnavailableComputerUseService.h"

namespace korvane {

QString UnavailableComputerUseService::unavailableMessage()
{
    return QStringLiteral("Computer use is not available in this build.");
}

QCoro::Task<ComputerUseResult> UnavailableComputerUseService::execute(QString)
{
    co_return ComputerUseResult{.summary = unavailableMessage()};
}

QCoro::Task<ComputerUseResult> UnavailableComputerUseService::executeTypedCommand(QString)
{
    co_return ComputerUseResult{.summary = unavailableMessage()};
}

QCoro::Task<ComputerUseResult> UnavailableComputerUseService::inspectUI()
{
    co_return ComputerUseResult{.summary = unavailableMessage()};
}

QCoro::Task<ComputerUseResult> UnavailableComputerUseService::runPythonScript(QString)
{
    co_return ComputerUseResult{.summary = unavailableMessage()};
}

} // namespace korvane
