#include "CliCommands.h"
#include "CliOutput.h"
#include "app/ApplicationComposition.h"
#include "computeruse/MacComputerUseService.h"

#include <QJsonValue>

namespace korvane::cli {

namespace {

int runRunCommand(const QStringList& arguments)
{
    if (arguments.isEmpty())
        return usageError(runVerb().synopsis());
    const std::shared_ptr<MacComputerUseService> executor =
        makeComputerUseService(composeDesktop());
    const ComputerUseResult result = QCoro::waitFor(executor->execute(arguments.join(u' ')));
    printLine(u"{\"summary\":" + compactJson(result.summary) + u",\"artifact\":" +
              (result.artifact ? artifactJson(*result.artifact) : QStringLiteral("null")) + u'}');
    return exitSuccess;
}

} // namespace

Verb runVerb()
{
    return {
        .name = QStringLiteral("run"),
        .arguments = QStringLiteral("[--allow-computer-control] [--allow-script-network] TEXT..."),
        .summary = QStringLiteral("Carry TEXT out as a computer-use command on this desktop"),
        .description = QStringLiteral(
            "The words form one command, as if typed into the window: open an application or "
            "an address, press keys, type, click, drive the browser or the music player. "
            "Prints {\"summary\":…,\"artifact\":…} as JSON.\n\n"
            "Applications come from the XDG desktop entries; addresses open through xdg-open. "
            "Python scripts run in $KORVANE_WORKSPACE/korvane_venv, at most 10 "
            "minutes and 10 MiB of output per stream."),
        .options =
            {
                {.name = QStringLiteral("--allow-computer-control"),
                 .text = QStringLiteral(
                     "Carry out key presses, typing, clicks and scripts that a model asked for "
                     "without asking first, as with the setting \"Allow Computer Control\" on. "
                     "Without it such actions are declined.")},
                {.name = QStringLiteral("--allow-script-network"),
                 .text = QStringLiteral(
                     "Let scripts reach the network (and pass them the API key). Without it "
                     "scripts run with no network.")},
            },
        .run = runRunCommand,
    };
}

} // namespace korvane::cli
