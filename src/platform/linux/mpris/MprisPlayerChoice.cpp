#include "platform/linux/mpris/MprisPlayerChoice.h"

#include "platform/linux/mpris/MprisBus.h"

namespace korvane {

namespace {

std::optional<MprisPlayer> preferred(const QList<MprisPlayer>& players, const QString& desktopId)
{
    for (const MprisPlayer& player : players) {
        if (MprisPlayerChoice::belongsTo(player, desktopId))
            return player;
    }
    for (const MprisPlayer& player : players) {
        if (player.playbackStatus == u"Playing")
            return player;
    }
    if (players.isEmpty())
        return std::nullopt;
    return players.constFirst();
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

std::optional<MprisPlayer> MprisPlayerChoice::choose(const QList<MprisPlayer>& players,
                                                     const QString& desktopId)
{
    QList<MprisPlayer> controllable;
    std::copy_if(players.cbegin(), players.cend(), std::back_inserter(controllable),
                 [](const MprisPlayer& player) { return player.canControl; });
    if (!controllable.isEmpty())
        return preferred(controllable, desktopId);
    return preferred(players, desktopId);
}

} // namespace korvane
