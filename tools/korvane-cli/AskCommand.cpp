#include "CliCommands.h"
#include "CliOutput.h"

namespace korvane::cli {

int runAskCommand(const QStringList&)
{
    printError(QStringLiteral("korvane-cli ask is not available in this build yet."));
    return exitFailure;
}

} // namespace korvane::cli
