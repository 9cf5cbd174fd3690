// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/command/ComputerUseCommand.h"

namespace korvane {

bool command::operator==(const Sequence& a, const Sequence& b)
{
    return a.commands == b.commands;
}

ComputerUseCommand ComputerUseCommand::sequence(QList<ComputerUseCommand> commands)
{
    return {command::Sequence{std::move(commands)}};
}

} // namespace korvane
