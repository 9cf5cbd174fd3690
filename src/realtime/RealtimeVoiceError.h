// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace korvane {

// Failures of the realtime session that have a sentence for the user.
enum class RealtimeVoiceError {
    invalidURL,
    notConnected,
    microphoneDenied,
    audioConversionUnavailable
};

QString description(RealtimeVoiceError error);

} // namespace korvane
