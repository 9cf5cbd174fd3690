#include "CliCommands.h"
#include "CliOutput.h"
#include "computeruse/MacComputerUseService.h"

#include <QJsonValue>

namespace korvane::cli {

int runRunCommand(const QStringList& arguments)
{
    // The flags are accepted for symmetry with `ask`: TEXT is the person's own command, which
    // runs as typed; nothing a model proposes ever gets here.
    ComputerControlSettings granted;
    QStringList words = arguments;
    while (!words.isEmpty() && takeComputerControlFlag(words.first(), granted))
        words.removeFirst();
    if (words.isEmpty())
        return usageError(
            QStringLiteral("run [--allow-computer-control] [--allow-script-network] TEXT"));
    MacComputerUseService executor;
    const ComputerUseResult result = QCoro::waitFor(executor.execute(words.join(u' ')));
    printLine(u"{\"summary\":" + compactJson(result.summary) + u",\"artifact\":" +
              (result.artifact ? artifactJson(*result.artifact) : QStringLiteral("null")) + u'}');
    return result.failed ? exitFailure : exitSuccess;
}

} // namespace korvane::cli
