// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "computeruse/command/ComputerUseCommand.h"
#include "platform/linux/mpris/MusicCollection.h"

#include <QString>

#include <optional>

namespace korvane {

// The outcome of looking for a track: the track to play, or the player's error message.
struct MusicSearchResult {
    std::optional<MusicTrack> track{};
    QString error{};

    friend bool operator==(const MusicSearchResult&, const MusicSearchResult&) = default;
};

// The music player's own search: a track matches when its artist, album or title contains
// the query, ignoring letter case.
class MusicSearch final {
public:
    static bool matches(const MusicTrack& track, const QString& query);
    // The first match in the library, in every playlist (first playlist with a match wins),
    // or in the first playlist whose name contains the scope's name.
    static MusicSearchResult find(const MusicCollection& collection, const QString& query,
                                  const MusicScope& scope);
};

} // namespace korvane
