#include "CliCommands.h"
#include "CliOutput.h"

namespace korvane::cli {

int runSearchCommand(const QStringList&)
{
    printError(QStringLiteral("korvane-cli search is not available in this build yet."));
    return exitFailure;
}

} // namespace korvane::cli
