// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/RealtimeVoiceService.h"

#include "core/DebugLog.h"

namespace korvane {

RealtimeVoiceService::RealtimeVoiceService(QObject* parent)
    : QObject(parent)
{
}

RealtimeVoiceService::~RealtimeVoiceService() = default;

void RealtimeVoiceService::writeLog(const QString& message)
{
    korvane::writeLog(message);
}

} // namespace korvane
