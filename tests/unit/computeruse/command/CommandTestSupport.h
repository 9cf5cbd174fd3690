// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "computeruse/command/ComputerUseCommand.h"

#include <QMetaType>

#include <optional>

namespace korvane {

// Readable failure messages for QCOMPARE: commands print as their JSON form.
char* toString(const ComputerUseCommand& command);
char* toString(const std::optional<ComputerUseCommand>& command);
char* toString(const std::optional<MusicCommand>& music);

} // namespace korvane

Q_DECLARE_METATYPE(korvane::ComputerUseCommand)
Q_DECLARE_METATYPE(std::optional<korvane::ComputerUseCommand>)
Q_DECLARE_METATYPE(std::optional<korvane::MusicCommand>)
