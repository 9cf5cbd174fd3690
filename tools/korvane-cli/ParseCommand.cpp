#include "CliCommands.h"
#include "CliOutput.h"

namespace korvane::cli {

int runParseCommand(const QStringList&)
{
    printError(QStringLiteral("korvane-cli parse is not available in this build yet."));
    return exitFailure;
}

} // namespace korvane::cli
