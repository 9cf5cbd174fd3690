// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Artifact.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace korvane {

// The artifact a script announces on standard output with
// "[ARTIFACT:" kind "|" path "|" title ["|" content] "]". Only the first marker counts; it ends
// at the last "]" of the output. Reads nothing: a markdown artifact's body is its path until
// the file has been read with readArtifactFile.
std::optional<Artifact> parseArtifactFromStdout(const QString& output);

// Files a marker names are read only up to this size.
inline constexpr qint64 maximumArtifactFileBytes = 16 * 1024 * 1024;

// The text of the file at `path` for a markdown artifact, with backslash-n turned into line
// breaks, or a sentence saying why it cannot be shown. Only regular files inside one of
// `allowedFolders`, at most maximumArtifactFileBytes, UTF-8. Blocking, but never waits on a
// pipe or device: call it off the window's thread.
QString readArtifactFile(const QString& path, const QStringList& allowedFolders);

} // namespace korvane
