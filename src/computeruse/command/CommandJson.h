// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "computeruse/command/ComputerUseCommand.h"

#include <QJsonObject>
#include <QJsonValue>

#include <optional>

namespace korvane {

// The JSON form of commands and keys: {"case": NAME, payload fields...}, nested for music,
// scopes, keys and sequences. Used by the command line and by tools that print commands.
class CommandJson final {
public:
    static QJsonObject toJson(const ComputerUseCommand& command);
    static QJsonObject toJson(const MusicCommand& music);
    static QJsonObject toJson(const MusicScope& scope);
    // {"displayName": S, "keyCode": N or null, "modifiers": N}
    static QJsonObject toJson(const KeyboardKey& key);
    // null when there is nothing.
    static QJsonValue toJson(const std::optional<ComputerUseCommand>& command);
    static QJsonValue toJson(const std::optional<KeyboardKey>& key);
};

} // namespace korvane
