// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/linux/mpris/MusicPlaylist.h"
#include "platform/linux/mpris/MusicTrack.h"

#include <QList>

namespace korvane {

// What a search looks through: every track of the library in library order, and the
// playlists in playlist order.
struct MusicCollection {
    QList<MusicTrack> tracks{};
    QList<MusicPlaylist> playlists{};

    friend bool operator==(const MusicCollection&, const MusicCollection&) = default;
};

} // namespace korvane
