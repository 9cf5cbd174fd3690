// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/RealtimeVoiceError.h"

namespace korvane {

QString description(RealtimeVoiceError error)
{
    switch (error) {
    case RealtimeVoiceError::invalidURL:
        return QStringLiteral("The Realtime API URL is invalid.");
    case RealtimeVoiceError::notConnected:
        return QStringLiteral("Realtime is not connected.");
    case RealtimeVoiceError::microphoneDenied:
        return QStringLiteral(
            "Microphone access was denied. Enable it in System Settings to test Realtime voice.");
    case RealtimeVoiceError::audioConversionUnavailable:
        return QStringLiteral("Could not prepare microphone audio conversion.");
    }
    return {};
}

} // namespace korvane
