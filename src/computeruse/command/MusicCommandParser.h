// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "computeruse/command/ComputerUseCommand.h"

#include <QString>
#include <QStringView>

#include <optional>

namespace korvane {

class CommandText;

// Recognises requests for the music player: pause, resume, play (with a scope) and open.
// Every test runs on the lower case and finds its words anywhere, also inside other words.
class MusicCommandParser final {
public:
    struct PlayIntent {
        QString query{};
        MusicScope scope{};
        friend bool operator==(const PlayIntent&, const PlayIntent&) = default;
    };

    static std::optional<MusicCommand> parse(QStringView text);
    // Same, on a piece of a larger text.
    static std::optional<MusicCommand> parse(const CommandText& text);

    // The steps, on lower-case text.
    static bool asksToPause(QStringView lower);
    static bool asksToResume(QStringView lower);
    static bool referencesMusicPlayback(QStringView lower);
    // The query after the latest play phrase, with its scope; nothing when the query is empty.
    static std::optional<PlayIntent> playIntent(QStringView text);
    static MusicScope scope(QStringView text);
    static std::optional<QString> namedPlaylist(QStringView text);
    // Removes the "from my music app"/"in my playlists"-style phrases and the named playlist.
    static QString cleanQuery(QStringView query, const MusicScope& scope);
};

} // namespace korvane
