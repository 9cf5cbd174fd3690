// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "computeruse/command/ComputerUseCommand.h"

#include <QString>
#include <QStringView>

#include <optional>

namespace korvane {

class CommandText;

// Commands aimed at the frontmost application or the browser: inspect, addresses and tabs,
// web searches, focus, click, key presses and typing, and two of these joined by a connector.
// Fixed phrase rules tried in a fixed order; the order decides every ambiguity.
class AppInteractionCommandParser final {
public:
    static std::optional<ComputerUseCommand> parse(QStringView text);
    // Same, on a piece of a larger text.
    static std::optional<ComputerUseCommand> parse(const CommandText& text);

    // Clean-up shared by the steps.
    static QString stripMatchingQuotes(QStringView from);
    static QString stripClickTargetSuffixes(QStringView from);
    static QString stripFieldTargetSuffixes(QStringView from);
};

} // namespace korvane
