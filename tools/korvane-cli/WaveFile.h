// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AudioFormat.h"

#include <QString>

#include <variant>

namespace korvane::cli {

// A RIFF/WAVE file's audio in a format the audio ports carry: 16-bit integer or 32-bit float
// samples stay as they are, 8-, 24- and 32-bit integers become 16-bit. Any rate and channel
// count. The error sentence when the file cannot be read or holds no PCM.
std::variant<AudioBuffer, QString> readWaveFile(const QString& path);

} // namespace korvane::cli
