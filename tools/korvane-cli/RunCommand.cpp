// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliCommands.h"
#include "CliOutput.h"
#include "app/ApplicationComposition.h"
#include "computeruse/MacComputerUseService.h"

#include <QJsonValue>

namespace korvane::cli {

namespace {

int runRunCommand(const QStringList& arguments)
{
    // The flags are accepted as `ask` takes them: TEXT is the person's own command, which runs
    // as typed; nothing a model proposes ever gets here.
    ComputerControlSettings granted;
    QStringList words = arguments;
    while (!words.isEmpty() && takeComputerControlFlag(words.first(), granted))
        words.removeFirst();
    if (words.isEmpty())
        return usageError(runVerb().synopsis());
    const std::shared_ptr<MacComputerUseService> executor =
        makeComputerUseService(composeDesktop());
    const ComputerUseResult result = QCoro::waitFor(executor->execute(words.join(u' ')));
    printLine(u"{\"summary\":" + compactJson(result.summary) + u",\"artifact\":" +
              (result.artifact ? artifactJson(*result.artifact) : QStringLiteral("null")) + u'}');
    return result.failed ? exitFailure : exitSuccess;
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
            "Prints {\"summary\":…,\"artifact\":…} as JSON; the exit code is 1 when the "
            "summary is a failure sentence.\n\n"
            "Applications come from the XDG desktop entries; addresses open in the browser "
            "Korvane drives when one runs or is the default, else through xdg-open. Python "
            "scripts run in $KORVANE_WORKSPACE/korvane_venv inside a sandbox, at most 10 "
            "minutes and 10 MiB of output per stream."),
        .options =
            {
                {.name = QStringLiteral("--allow-computer-control"),
                 .text = QStringLiteral(
                     "Accepted as ask takes it. TEXT is your own command and runs as typed: "
                     "nothing a model proposes reaches run, so there is nothing to approve.")},
                {.name = QStringLiteral("--allow-script-network"),
                 .text = QStringLiteral(
                     "Accepted as ask takes it; run starts no model-written script.")},
            },
        .run = runRunCommand,
    };
}

} // namespace korvane::cli
