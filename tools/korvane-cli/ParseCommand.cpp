#include "CliCommands.h"
#include "CliOutput.h"
#include "computeruse/command/CommandJson.h"
#include "computeruse/command/CommandParsing.h"

namespace korvane::cli {

int runParseCommand(const QStringList& arguments)
{
    // One argument: a shell that splits the text by mistake should not get a different command.
    if (arguments.size() != 1)
        return usageError(QStringLiteral("parse TEXT"));
    printLine(compactJson(CommandJson::toJson(parseComputerUseCommand(arguments.first()))));
    return exitSuccess;
}

} // namespace korvane::cli
