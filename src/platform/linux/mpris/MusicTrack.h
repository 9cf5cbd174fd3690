// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace korvane {

// One playable file of the music library with the tags searches look at.
struct MusicTrack {
    // Absolute path of the file.
    QString filePath{};
    // The title tag, or the file's base name when the file has none.
    QString title{};
    QString artist{};
    QString album{};

    friend bool operator==(const MusicTrack&, const MusicTrack&) = default;
};

} // namespace korvane
