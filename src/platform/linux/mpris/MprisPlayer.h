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

    // Identity, else the player part of the bus name.
    QString displayName() const;

    friend bool operator==(const MprisPlayer&, const MprisPlayer&) = default;
};

} // namespace korvane
