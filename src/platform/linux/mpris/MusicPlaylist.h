// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/linux/mpris/MusicTrack.h"

#include <QList>
#include <QString>

namespace korvane {

// A playlist file of the library: its name and its tracks in file order.
struct MusicPlaylist {
    QString name{};
    QString filePath{};
    QList<MusicTrack> tracks{};

    friend bool operator==(const MusicPlaylist&, const MusicPlaylist&) = default;
};

} // namespace korvane
