// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "computeruse/command/ComputerUseCommand.h"

#include <QStringView>

#include <optional>

namespace korvane {

class CommandText;

// The last resort of the chain: "open ADDRESS and click TARGET" and plain search requests.
class ComputerUseCommandFallbackParser final {
public:
    static std::optional<ComputerUseCommand> parse(QStringView text);
    // Same, on a piece of a larger text.
    static std::optional<ComputerUseCommand> parse(const CommandText& text);
};

} // namespace korvane
