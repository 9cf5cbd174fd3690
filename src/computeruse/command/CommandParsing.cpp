#include "computeruse/command/CommandParsing.h"

namespace korvane {

std::optional<ComputerUseCommand> parseComputerUseCommand(QStringView)
{
    // The parsers arrive with the command language; until then nothing is a command.
    return std::nullopt;
}

} // namespace korvane
