#include "realtime/RealtimeVoiceService.h"

#include "core/DebugLog.h"

namespace korvane {

void RealtimeVoiceService::writeLog(const QString& message)
{
    korvane::writeLog(message);
}

} // namespace korvane
