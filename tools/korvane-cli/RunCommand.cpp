#include "CliCommands.h"
#include "CliOutput.h"

namespace korvane::cli {

int runRunCommand(const QStringList&)
{
    printError(QStringLiteral("korvane-cli run is not available in this build yet."));
    return exitFailure;
}

} // namespace korvane::cli
