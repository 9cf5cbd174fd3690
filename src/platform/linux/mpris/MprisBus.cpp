#include "platform/linux/mpris/MprisBus.h"

namespace korvane {

QString MprisPlayer::displayName() const
{
    if (!identity.trimmed().isEmpty())
        return identity.trimmed();
    return service.startsWith(MprisBus::servicePrefix())
               ? service.mid(MprisBus::servicePrefix().size())
               : service;
}

QString MprisBus::servicePrefix()
{
    return QStringLiteral("org.mpris.MediaPlayer2.");
}

QString MprisBus::objectPath()
{
    return QStringLiteral("/org/mpris/MediaPlayer2");
}

QString MprisBus::rootInterface()
{
    return QStringLiteral("org.mpris.MediaPlayer2");
}

QString MprisBus::playerInterface()
{
    return QStringLiteral("org.mpris.MediaPlayer2.Player");
}

QString MprisBus::trackListInterface()
{
    return QStringLiteral("org.mpris.MediaPlayer2.TrackList");
}

QString MprisBus::noTrackPath()
{
    return QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
}

} // namespace korvane
