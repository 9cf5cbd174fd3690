#include "CliCommands.h"
#include "CliOutput.h"
#include "computeruse/command/CommandJson.h"
#include "uiautomation/KeyboardKey.h"

namespace korvane::cli {

int runKeyCommand(const QStringList& arguments)
{
    if (arguments.size() != 1)
        return usageError(QStringLiteral("key TEXT"));
    printLine(compactJson(CommandJson::toJson(KeyboardKey::parse(arguments.first()))));
    return exitSuccess;
}

} // namespace korvane::cli
