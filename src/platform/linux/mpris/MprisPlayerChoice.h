// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/linux/mpris/MprisPlayer.h"

#include <QList>
#include <QString>

#include <optional>

namespace korvane {

// Which player a music command drives: the one the person hears. `desktopId` is the desktop's
// music application ("rhythmbox.desktop"), or empty; its player comes first wherever players
// are otherwise alike.
class MprisPlayerChoice final {
public:
    // Among the players that accept control: one that is playing, else one that is paused, else
    // any that runs.
    static std::optional<MprisPlayer> forPlayback(const QList<MprisPlayer>& players,
                                                  const QString& desktopId);
    // The players that accept control and are playing.
    static QList<MprisPlayer> playing(const QList<MprisPlayer>& players);
    // A player that runs but refuses control, to name it when no other can be driven.
    static std::optional<MprisPlayer> refusing(const QList<MprisPlayer>& players,
                                               const QString& desktopId);
    static bool belongsTo(const MprisPlayer& player, const QString& desktopId);
};

} // namespace korvane
