#pragma once

#include "platform/linux/mpris/MprisPlayer.h"

#include <QList>
#include <QString>

#include <optional>

namespace korvane {

// Which player a music command drives. Among the players that accept control: the one of the
// desktop's music application, else one that is playing, else the first. When none accepts
// control, the one that would have been preferred, so its failure can name it.
class MprisPlayerChoice final {
public:
    // `desktopId` is the music application's desktop file ID ("rhythmbox.desktop"), or empty.
    static std::optional<MprisPlayer> choose(const QList<MprisPlayer>& players,
                                             const QString& desktopId);
    static bool belongsTo(const MprisPlayer& player, const QString& desktopId);
};

} // namespace korvane
