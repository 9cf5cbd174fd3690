// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/mpris/MprisPlayerChoice.h"

#include "platform/linux/mpris/MprisBus.h"

namespace korvane {

namespace {

// The first player that `accepts`, the music application's own before the others.
template <typename Predicate>
std::optional<MprisPlayer> first(const QList<MprisPlayer>& players, const QString& desktopId,
                                 Predicate accepts)
{
    for (const bool own : {true, false}) {
        for (const MprisPlayer& player : players) {
            if (accepts(player) && MprisPlayerChoice::belongsTo(player, desktopId) == own)
                return player;
        }
    }
    return std::nullopt;
}

} // namespace

bool MprisPlayerChoice::belongsTo(const MprisPlayer& player, const QString& desktopId)
{
    QString base = desktopId;
    if (base.endsWith(QStringLiteral(".desktop")))
        base.chop(8);
    if (base.isEmpty())
        return false;
    if (!player.desktopEntry.isEmpty())
        return player.desktopEntry.compare(base, Qt::CaseInsensitive) == 0;
    // Without the property, the bus name's player part ("vlc" of "org.mpris.MediaPlayer2.vlc").
    QString name = player.service.mid(MprisBus::servicePrefix().size());
    if (const qsizetype instance = name.indexOf(QStringLiteral(".instance")); instance > 0)
        name.truncate(instance);
    return name.compare(base, Qt::CaseInsensitive) == 0;
}

std::optional<MprisPlayer> MprisPlayerChoice::forPlayback(const QList<MprisPlayer>& players,
                                                          const QString& desktopId)
{
    for (const QStringView status : {u"Playing", u"Paused"}) {
        if (std::optional<MprisPlayer> found =
                first(players, desktopId, [status](const MprisPlayer& player) {
                    return player.canControl && player.playbackStatus == status;
                }))
            return found;
    }
    return first(players, desktopId, [](const MprisPlayer& player) { return player.canControl; });
}

QList<MprisPlayer> MprisPlayerChoice::playing(const QList<MprisPlayer>& players)
{
    QList<MprisPlayer> found;
    std::copy_if(players.cbegin(), players.cend(), std::back_inserter(found),
                 [](const MprisPlayer& player) { return player.canControl && player.isPlaying(); });
    return found;
}

std::optional<MprisPlayer> MprisPlayerChoice::refusing(const QList<MprisPlayer>& players,
                                                       const QString& desktopId)
{
    return first(players, desktopId, [](const MprisPlayer& player) { return !player.canControl; });
}

} // namespace korvane
