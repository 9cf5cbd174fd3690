// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/command/CommandParsing.h"

#include "computeruse/command/AppInteractionCommandParser.h"
#include "computeruse/command/AppLaunchCommandParser.h"
#include "computeruse/command/CommandText.h"
#include "computeruse/command/ComputerUseCommandFallbackParser.h"
#include "computeruse/command/MusicCommandParser.h"

namespace korvane {

std::optional<ComputerUseCommand> parseComputerUseCommand(QStringView text)
{
    // One lower-cased copy serves every parser of the chain.
    const CommandText trimmed = CommandText(text).trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    if (std::optional<MusicCommand> music = MusicCommandParser::parse(trimmed))
        return ComputerUseCommand::music(std::move(*music));
    if (std::optional<ComputerUseCommand> command = AppInteractionCommandParser::parse(trimmed))
        return command;
    if (std::optional<QString> name = AppLaunchCommandParser::parse(trimmed))
        return ComputerUseCommand::openApp(std::move(*name));
    return ComputerUseCommandFallbackParser::parse(trimmed);
}

} // namespace korvane
