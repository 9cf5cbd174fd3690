#include "CliCommands.h"
#include "CliOutput.h"

namespace korvane::cli {

int runKeyCommand(const QStringList&)
{
    printError(QStringLiteral("korvane-cli key is not available in this build yet."));
    return exitFailure;
}

} // namespace korvane::cli
