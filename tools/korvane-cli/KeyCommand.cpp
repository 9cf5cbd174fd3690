// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliCommands.h"
#include "CliOutput.h"
#include "computeruse/command/CommandJson.h"
#include "uiautomation/KeyboardKey.h"

namespace korvane::cli {

namespace {

int runKeyCommand(const QStringList& arguments)
{
    if (arguments.size() != 1)
        return usageError(keyVerb().synopsis());
    printLine(compactJson(CommandJson::toJson(KeyboardKey::parse(arguments.first()))));
    return exitSuccess;
}

} // namespace

Verb keyVerb()
{
    return {
        .name = QStringLiteral("key"),
        .arguments = QStringLiteral("TEXT"),
        .summary = QStringLiteral("Show the key press TEXT describes"),
        .description = QStringLiteral(
            "Prints the key press as JSON (display name, key code, modifiers), or null. "
            "\"cmd shift t\" is Control-Shift-T on Linux. The modifiers are the decimal flag "
            "value: command 1048576, shift 131072, option 524288, control 262144. TEXT is one "
            "argument: quote it."),
        .run = runKeyCommand,
    };
}

} // namespace korvane::cli
