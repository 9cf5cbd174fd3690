// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace korvane::test {

// `text` spoken by espeak-ng (its Klatt voice, 140 words a minute) as mono 16-bit PCM at
// `sampleRate`, with a short lead-in, a second of quiet after it and faint noise throughout, as
// a microphone in a quiet room gives it. Files go to `directory`. Absent, with the reason, when
// espeak-ng or sox is missing or fails.
std::optional<QByteArray> renderSpeech(const QString& text, int sampleRate,
                                       const QString& directory, QString* whyNot = nullptr);

// Mono 16-bit PCM as a WAV file of `channels` channels, each a copy of it.
bool writeWave(const QString& path, const QByteArray& mono, int sampleRate, int channels);

} // namespace korvane::test
