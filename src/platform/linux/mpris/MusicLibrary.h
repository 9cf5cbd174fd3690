// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/linux/mpris/MusicCollection.h"

#include <QString>

#include <memory>

namespace korvane {

// The music under one folder ($XDG_MUSIC_DIR unless a folder is given): audio files with their
// tags, and the .m3u/.m3u8 playlists found there. Tracks are in path order, playlists in name
// order, both ignoring letter case. A file's tags are read again only when its size or
// modification time changed. Blocking: run it on the automation thread. Thread-safe.
class MusicLibrary final {
public:
    struct ScanStatistics {
        // Files whose tags were read in the last scan (the rest came from the cache).
        int tagsRead = 0;
        int filesSeen = 0;
        // The last scan stopped at the bound.
        bool truncated = false;
        friend bool operator==(const ScanStatistics&, const ScanStatistics&) = default;
    };

    // At most `maximumFiles` files are looked at, so a huge folder cannot stall the scan.
    explicit MusicLibrary(QString folder = {}, int maximumFiles = defaultMaximumFiles);
    ~MusicLibrary();
    Q_DISABLE_COPY_MOVE(MusicLibrary)

    // The folder scanned: the given one, else the desktop's music folder at the time of the call.
    QString folder() const;
    MusicCollection collection();
    ScanStatistics lastScan() const;

    // The tags of one file; the base name stands in for a missing title.
    static MusicTrack readTrack(const QString& filePath);
    static bool isAudioFile(const QString& fileName);

    static inline constexpr int defaultMaximumFiles = 20000;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace korvane
