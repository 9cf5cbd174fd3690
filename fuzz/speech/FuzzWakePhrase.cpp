// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the wake phrase matcher, as a recognizer's running transcript.
#include "speech/WakePhraseMatcher.h"
#include "speech/WakeWordVoiceService.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using korvane::WakePhraseMatcher;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString normalized = WakePhraseMatcher::normalized(QString::fromUtf8(bytes));
    // Normalizing twice changes nothing.
    if (WakePhraseMatcher::normalized(normalized) != normalized)
        __builtin_trap();
    const auto match =
        WakePhraseMatcher::match(normalized, korvane::WakeWordVoiceService::defaultWakePhrases());
    if (match && !normalized.contains(match->phrase))
        __builtin_trap();
    return 0;
}
