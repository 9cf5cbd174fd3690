// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace korvane {

// .m3u and .m3u8 playlists: one entry per line, '#' lines (#EXTM3U, #EXTINF…) are comments.
class PlaylistFile final {
public:
    // The entries of a playlist's text as absolute, cleaned paths, in file order. Relative
    // entries are resolved against `folder`; file: URLs become paths; other URLs are dropped.
    // The text is read as UTF-8, or as Latin-1 when it is not valid UTF-8.
    static QStringList entries(QByteArrayView content, const QString& folder);
    // The entries of the playlist at `path` that name existing files; nothing when the file
    // cannot be read or is larger than maximumBytes.
    static QStringList existingEntries(const QString& path);
    static bool isPlaylist(const QString& fileName);

    static inline constexpr qint64 maximumBytes = 4 * 1024 * 1024;
    static inline constexpr int maximumEntries = 20000;
};

} // namespace korvane
