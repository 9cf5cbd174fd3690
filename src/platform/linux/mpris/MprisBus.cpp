// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/mpris/MprisBus.h"

#include <QDir>
#include <QUrl>

namespace korvane {

QString MprisPlayer::displayName() const
{
    if (!identity.trimmed().isEmpty())
        return identity.trimmed();
    return service.startsWith(MprisBus::servicePrefix())
               ? service.mid(MprisBus::servicePrefix().size())
               : service;
}

bool MprisPlayer::isPlaying() const
{
    return playbackStatus == u"Playing";
}

bool MprisPlayer::hasLoaded(const QString& filePath) const
{
    if (trackUrl.isEmpty())
        return false;
    // Players give a file URL or, at times, the plain path they were handed.
    const QUrl url(trackUrl);
    const QString loaded = url.isLocalFile() ? url.toLocalFile() : trackUrl;
    return QDir::cleanPath(loaded) == QDir::cleanPath(filePath);
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
