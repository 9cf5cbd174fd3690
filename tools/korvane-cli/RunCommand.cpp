#include "CliCommands.h"
#include "CliOutput.h"
#include "app/ApplicationComposition.h"
#include "computeruse/MacComputerUseService.h"

#include <QJsonValue>

namespace korvane::cli {

int runRunCommand(const QStringList& arguments)
{
    if (arguments.isEmpty())
        return usageError(QStringLiteral("run TEXT"));
    const std::shared_ptr<MacComputerUseService> executor =
        makeComputerUseService(composeDesktop());
    const ComputerUseResult result = QCoro::waitFor(executor->execute(arguments.join(u' ')));
    printLine(u"{\"summary\":" + compactJson(result.summary) + u",\"artifact\":" +
              (result.artifact ? artifactJson(*result.artifact) : QStringLiteral("null")) + u'}');
    return exitSuccess;
}

} // namespace korvane::cli
