// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliCommands.h"
#include "CliOutput.h"
#include "computeruse/command/CommandJson.h"
#include "computeruse/command/CommandParsing.h"

namespace korvane::cli {

namespace {

int runParseCommand(const QStringList& arguments)
{
    // One argument: a shell that splits the text by mistake should not get a different command.
    if (arguments.size() != 1)
        return usageError(parseVerb().synopsis());
    printLine(compactJson(CommandJson::toJson(parseComputerUseCommand(arguments.first()))));
    return exitSuccess;
}

} // namespace

Verb parseVerb()
{
    return {
        .name = QStringLiteral("parse"),
        .arguments = QStringLiteral("TEXT"),
        .summary = QStringLiteral("Show the computer-use command the phrase parsers make of TEXT"),
        .description = QStringLiteral(
            "Prints the command as one line of compact JSON, or null when the parsers do not "
            "recognise TEXT. Nothing is carried out. TEXT is one argument: quote it."),
        .run = runParseCommand,
    };
}

} // namespace korvane::cli
