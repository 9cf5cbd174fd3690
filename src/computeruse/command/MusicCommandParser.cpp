// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/command/MusicCommandParser.h"

#include "computeruse/command/CommandText.h"

namespace korvane {

namespace {

constexpr QStringView playbackWords[] = {u"music", u"song", u"audio", u"playlist"};
constexpr QStringView pauseWords[] = {u"stop", u"pause", u"halt", u"mute"};
constexpr QStringView resumeWords[] = {u"continue", u"resume", u"unpause", u"start playing",
                                       u"keep playing"};
// Order decides ties between phrases found at the same place: "play the" beats "play".
constexpr QStringView playPhrases[] = {u"play me", u"play some", u"play the", u"playing", u"play"};
constexpr QStringView scopePhrases[] = {u"from my ", u"from the ", u"in my ", u"in the "};

constexpr QStringView cleanUpPhrases[] = {
    u" from my music app", u" from the music app", u" from music app",   u" from music",
    u" in my music app",   u" in the music app",   u" in music app",     u" in music",
    u" on my music app",   u" on the music app",   u" on music app",     u" on music",
    u" from my playlists", u" from the playlists", u" from playlists",   u" in my playlists",
    u" in the playlists",  u" in playlists",       u" from my playlist", u" from the playlist",
    u" from playlist",     u" in my playlist",     u" in the playlist",  u" in playlist",
};
constexpr QStringView namedPlaylistOpeners[] = {u" from my ", u" from the ", u" in my ",
                                                u" in the "};

bool referencesPlayback(const CommandText& text)
{
    return text.containsAny(playbackWords);
}

bool pauseAsked(const CommandText& text)
{
    return referencesPlayback(text) && text.containsAny(pauseWords);
}

bool resumeAsked(const CommandText& text)
{
    return (referencesPlayback(text) || text.contains(u"playing")) && text.containsAny(resumeWords);
}

// The last occurrence of a play phrase that does not begin the word "playlist": otherwise
// "play jazz from my playlists" would take its query from the rest of that word.
qsizetype lastPlayPhrase(const CommandText& text, QStringView phrase)
{
    const QStringView lower = text.lower();
    qsizetype position = text.lastIndexOf(phrase);
    while (position >= 0 && lower.sliced(position).startsWith(u"playlist"))
        position = position == 0 ? -1 : text.lastIndexOf(phrase, position - 1);
    return position;
}

std::optional<QString> namedPlaylistIn(const CommandText& text)
{
    for (QStringView phrase : scopePhrases) {
        const qsizetype start = text.indexOf(phrase);
        if (start < 0)
            continue;
        const qsizetype nameStart = start + phrase.size();
        const qsizetype end = text.indexOf(u" playlist", nameStart);
        if (end < 0)
            continue;
        const CommandText name = text.between(nameStart, end).trimmed();
        if (!name.isEmpty())
            return name.toString();
    }
    return std::nullopt;
}

MusicScope scopeOf(const CommandText& text)
{
    if (std::optional<QString> name = namedPlaylistIn(text))
        return MusicScope::playlist(std::move(*name));
    if (text.contains(u"playlist"))
        return MusicScope::playlists();
    return MusicScope::library();
}

std::optional<MusicCommandParser::PlayIntent> playIntentOf(const CommandText& text)
{
    qsizetype best = -1;
    QStringView bestPhrase;
    for (QStringView phrase : playPhrases) {
        const qsizetype position = lastPlayPhrase(text, phrase);
        if (position > best) {
            best = position;
            bestPhrase = phrase;
        }
    }
    if (best < 0)
        return std::nullopt;
    const CommandText rawQuery = text.after(best, bestPhrase).trimmed();
    MusicScope scope = scopeOf(text);
    QString query = MusicCommandParser::cleanQuery(rawQuery.source(), scope);
    if (query.isEmpty())
        return std::nullopt;
    return MusicCommandParser::PlayIntent{std::move(query), std::move(scope)};
}

} // namespace

bool MusicCommandParser::referencesMusicPlayback(QStringView lower)
{
    return referencesPlayback(CommandText(lower));
}

bool MusicCommandParser::asksToPause(QStringView lower)
{
    return pauseAsked(CommandText(lower));
}

bool MusicCommandParser::asksToResume(QStringView lower)
{
    return resumeAsked(CommandText(lower));
}

std::optional<MusicCommandParser::PlayIntent> MusicCommandParser::playIntent(QStringView text)
{
    return playIntentOf(CommandText(text).trimmed());
}

MusicScope MusicCommandParser::scope(QStringView text)
{
    return scopeOf(CommandText(text));
}

std::optional<QString> MusicCommandParser::namedPlaylist(QStringView text)
{
    return namedPlaylistIn(CommandText(text));
}

QString MusicCommandParser::cleanQuery(QStringView query, const MusicScope& scope)
{
    QString cleaned = query.toString();
    for (QStringView phrase : cleanUpPhrases)
        cleaned.remove(phrase.toString(), Qt::CaseInsensitive);
    if (const auto* playlist = std::get_if<MusicScope::Playlist>(&scope.value)) {
        for (QStringView opener : namedPlaylistOpeners)
            cleaned.remove(opener + playlist->named + u" playlist", Qt::CaseInsensitive);
    }
    return CommandText(cleaned).trimmedPunctuation().toString();
}

std::optional<MusicCommand> MusicCommandParser::parse(QStringView text)
{
    return parse(CommandText(text));
}

std::optional<MusicCommand> MusicCommandParser::parse(const CommandText& piece)
{
    // "playback" reads as "play"; only then is the text trimmed and lower-cased.
    // Pieces are cut next to spaces, so they never split a "playback" of the whole text.
    const CommandText text =
        (piece.contains(u"playback") ? piece.replacingAll(u"playback", u"play") : piece).trimmed();

    if (pauseAsked(text))
        return MusicCommand::pause();
    if (resumeAsked(text))
        return MusicCommand::resume();
    if (std::optional<PlayIntent> intent = playIntentOf(text))
        return MusicCommand::play(std::move(intent->query), std::move(intent->scope));
    if (text.contains(u"open") && text.contains(u"music"))
        return MusicCommand::open();
    return std::nullopt;
}

} // namespace korvane
