// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/mpris/MusicSentences.h"

namespace korvane {

QString MusicSentences::notFound()
{
    return QStringLiteral("Music app was not found.");
}

QString MusicSentences::couldNotOpen(const QString& description)
{
    return QStringLiteral("Could not open Music: ") + description;
}

QString MusicSentences::opened()
{
    return QStringLiteral("Opened Music.");
}

QString MusicSentences::stopped()
{
    return QStringLiteral("Stopped Music.");
}

QString MusicSentences::couldNotStop(const QString& message)
{
    return QStringLiteral("Could not stop Music: ") + automationMessage(message);
}

QString MusicSentences::resumed()
{
    return QStringLiteral("Resumed Music.");
}

QString MusicSentences::couldNotResume(const QString& message)
{
    return QStringLiteral("Could not resume Music: ") + automationMessage(message);
}

QString MusicSentences::playing(const QString& query, const MusicScope& scope, const QString& track)
{
    const QString name = track.trimmed();
    const QString detail = name.isEmpty() ? QString() : QStringLiteral(" (") + name + u')';
    return QStringLiteral("Playing ") + query + u' ' + scopeText(scope) + detail + u'.';
}

QString MusicSentences::couldNotPlay(const QString& query, const MusicScope& scope,
                                     const QString& message)
{
    return scopePrefix(scope) + u' ' + query + QStringLiteral(": ") + automationMessage(message);
}

QString MusicSentences::scopePrefix(const MusicScope& scope)
{
    if (const auto* named = std::get_if<MusicScope::Playlist>(&scope.value))
        return QStringLiteral("Could not find in ") + named->named + u':';
    if (std::holds_alternative<MusicScope::Playlists>(scope.value))
        return QStringLiteral("Could not find in your playlists:");
    return QStringLiteral("Could not find");
}

QString MusicSentences::scopeText(const MusicScope& scope)
{
    if (const auto* named = std::get_if<MusicScope::Playlist>(&scope.value))
        return QStringLiteral("from ") + named->named;
    if (std::holds_alternative<MusicScope::Playlists>(scope.value))
        return QStringLiteral("from your playlists");
    return QStringLiteral("in Music");
}

QString MusicSentences::automationMessage(const QString& message)
{
    if (message.trimmed().isEmpty())
        return QStringLiteral("Music automation failed.");
    return message;
}

QString MusicSentences::noPlayerRunning()
{
    return QStringLiteral("No music player is running.");
}

QString MusicSentences::cannotBeControlled(const QString& playerName)
{
    return QStringLiteral("The music player ") + playerName +
           QStringLiteral(" does not accept remote control.");
}

QString MusicSentences::stillPlaying(const QString& playerName)
{
    return playerName + QStringLiteral(" is still playing.");
}

QString MusicSentences::nothingToPlay(const QString& playerName)
{
    return playerName + QStringLiteral(" has nothing to play.");
}

QString MusicSentences::didNotStart(const QString& playerName)
{
    return playerName + QStringLiteral(" did not start playing.");
}

QString MusicSentences::notPlaying(const QString& playerName)
{
    return QStringLiteral("Nothing is playing in ") + playerName + u'.';
}

QString MusicSentences::alreadyPlaying(const QString& playerName)
{
    return QStringLiteral("Music is already playing in ") + playerName + u'.';
}

QString MusicSentences::didNotPlay(const QString& query, const QString& track,
                                   const QString& playerName)
{
    return QStringLiteral("Found ") + track + QStringLiteral(" for ") + query +
           QStringLiteral(", but ") + playerName + QStringLiteral(" did not start playing it.");
}

QString MusicSentences::handedToDesktop(const QString& track)
{
    return QStringLiteral("Opened ") + track +
           QStringLiteral(" with the desktop's audio player; Korvane cannot tell whether it "
                          "plays.");
}

} // namespace korvane
