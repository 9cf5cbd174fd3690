// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/UnavailableRealtimeVoiceService.h"

namespace korvane {

QString UnavailableRealtimeVoiceService::unavailableMessage()
{
    return QStringLiteral("Realtime voice is not available in this build.");
}

void UnavailableRealtimeVoiceService::reportUnavailable()
{
    // The same order a real failed start reports in: connecting, the error, then failed.
    Q_EMIT stateChanged(RealtimeVoiceState::connecting);
    Q_EMIT failed(unavailableMessage());
    Q_EMIT stateChanged(RealtimeVoiceState::failed);
}

QCoro::Task<> UnavailableRealtimeVoiceService::start(bool)
{
    reportUnavailable();
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

bool UnavailableRealtimeVoiceService::isConnecting() const
{
    return false;
}

void UnavailableRealtimeVoiceService::beginHeldTurn()
{
    reportUnavailable();
}

void UnavailableRealtimeVoiceService::endHeldTurn()
{
}

} // namespace korvane
