// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace korvane {

// A media player on the session bus, as its MPRIS properties describe it.
struct MprisPlayer {
    // The bus name, "org.mpris.MediaPlayer2.<player>[.<instance>]".
    QString service{};
    QString identity{};
    // The desktop entry's base name ("vlc", "org.gnome.Rhythmbox3").
    QString desktopEntry{};
    // "Playing", "Paused" or "Stopped".
    QString playbackStatus{};
    bool canControl = false;
    bool hasTrackList = false;
    // The loaded track's address (xesam:url) and title (xesam:title), as the player says.
    QString trackUrl{};
    QString trackTitle{};
    // The process that owns the bus name, when the bus says; one player may own two names.
    qint64 processId = 0;

    // Identity, else the player part of the bus name.
    QString displayName() const;
    bool isPlaying() const;
    // Whether the loaded track is the file at `filePath`.
    bool hasLoaded(const QString& filePath) const;

    friend bool operator==(const MprisPlayer&, const MprisPlayer&) = default;
};

} // namespace korvane
