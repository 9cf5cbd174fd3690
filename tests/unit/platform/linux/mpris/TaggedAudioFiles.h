// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace korvane::test {

// Writes small audio files for the music tests: silent 8 kHz mono WAV, tagged with TagLib.
class TaggedAudioFiles final {
public:
    // A silent WAV of `seconds` at `path` (folders created), untagged when the title is null, else
    // with whichever of title, artist and album are not null; false when that fails.
    static bool writeTagged(const QString& path, const QString& title, const QString& artist = {},
                            const QString& album = {}, double seconds = 0.1);
};

} // namespace korvane::test
