#pragma once

#include "core/Artifact.h"

#include <QString>

#include <optional>

namespace korvane {

// The artifact a script announces on standard output with
// "[ARTIFACT:" kind "|" path "|" title ["|" content] "]". Only the first marker counts; it ends
// at the last "]" of the output. Markdown artifacts read their file.
std::optional<Artifact> parseArtifactFromStdout(const QString& output);

} // namespace korvane
