#include "realtime/UnavailableRealtimeVoiceService.h"

namespace korvane {

QString UnavailableRealtimeVoiceService::unavailableMessage()
{
    return QStringLiteral("Realtime voice is not available in this build.");
}

QCoro::Task<> UnavailableRealtimeVoiceService::start(bool)
{
    // The same order a real failed start reports in: connecting, the error, then failed.
    if (onStateChange)
        onStateChange(RealtimeVoiceState::connecting);
    if (onError)
        onError(unavailableMessage());
    if (onStateChange)
        onStateChange(RealtimeVoiceState::failed);
    co_return;
}

QCoro::Task<> UnavailableRealtimeVoiceService::stop()
{
    co_return;
}

QCoro::Task<> UnavailableRealtimeVoiceService::setVoiceMode(bool)
{
    co_return;
}

void UnavailableRealtimeVoiceService::finishLocalFeedbackAndScheduleIdleDisconnect()
{
}

bool UnavailableRealtimeVoiceService::isActive() const
{
    return false;
}

} // namespace korvane
