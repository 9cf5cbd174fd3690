// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace korvane::test {

// Writes small audio files for the music tests: silent 8 kHz mono WAV, tagged with TagLib.
class TaggedAudioFiles final {
public:
    // A silent WAV of `seconds` at `path` (folders created); false when it cannot be written.
    static bool writeSilence(const QString& path, double seconds = 0.1);
    // Sets whichever of title, artist and album are not null; false when TagLib fails.
    static bool tag(const QString& path, const QString& title, const QString& artist = {},
                    const QString& album = {});
    // Both of the above.
    static bool writeTagged(const QString& path, const QString& title, const QString& artist = {},
                            const QString& album = {}, double seconds = 0.1);
};

} // namespace korvane::test
