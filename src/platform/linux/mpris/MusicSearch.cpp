// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/mpris/MusicSearch.h"

namespace korvane {

namespace {

std::optional<MusicTrack> firstMatch(const QList<MusicTrack>& tracks, const QString& query)
{
    for (const MusicTrack& track : tracks) {
        if (MusicSearch::matches(track, query))
            return track;
    }
    return std::nullopt;
}

MusicSearchResult inLibrary(const MusicCollection& collection, const QString& query)
{
    if (std::optional<MusicTrack> track = firstMatch(collection.tracks, query))
        return {std::move(track), {}};
    return {std::nullopt, QStringLiteral("No library results for ") + query};
}

MusicSearchResult inPlaylists(const MusicCollection& collection, const QString& query)
{
    for (const MusicPlaylist& playlist : collection.playlists) {
        if (std::optional<MusicTrack> track = firstMatch(playlist.tracks, query))
            return {std::move(track), {}};
    }
    return {std::nullopt, QStringLiteral("No playlist results for ") + query};
}

MusicSearchResult inNamedPlaylist(const MusicCollection& collection, const QString& query,
                                  const QString& name)
{
    const auto playlist =
        std::find_if(collection.playlists.cbegin(), collection.playlists.cend(),
                     [&](const MusicPlaylist& candidate) {
                         return candidate.name.contains(name, Qt::CaseInsensitive);
                     });
    if (playlist == collection.playlists.cend())
        return {std::nullopt, QStringLiteral("No playlist named ") + name};
    if (std::optional<MusicTrack> track = firstMatch(playlist->tracks, query))
        return {std::move(track), {}};
    return {std::nullopt,
            QStringLiteral("No results for ") + query + QStringLiteral(" in ") + playlist->name};
}

} // namespace

bool MusicSearch::matches(const MusicTrack& track, const QString& query)
{
    return track.artist.contains(query, Qt::CaseInsensitive) ||
           track.album.contains(query, Qt::CaseInsensitive) ||
           track.title.contains(query, Qt::CaseInsensitive);
}

MusicSearchResult MusicSearch::find(const MusicCollection& collection, const QString& query,
                                    const MusicScope& scope)
{
    if (const auto* named = std::get_if<MusicScope::Playlist>(&scope.value))
        return inNamedPlaylist(collection, query, named->named);
    if (std::holds_alternative<MusicScope::Playlists>(scope.value))
        return inPlaylists(collection, query);
    return inLibrary(collection, query);
}

} // namespace korvane
