// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "realtime/RealtimeVoiceService.h"

namespace korvane {

// Stands in until the realtime session is built: every start announces `connecting` and then
// fails with a sentence saying realtime voice is missing. Never active.
class UnavailableRealtimeVoiceService final : public RealtimeVoiceService {
public:
    static QString unavailableMessage();

    QCoro::Task<> start(bool isVoice) override;
    QCoro::Task<> stop() override;
    QCoro::Task<> setVoiceMode(bool enabled) override;
    void finishLocalFeedbackAndScheduleIdleDisconnect() override;
    bool isActive() const override;
    bool isConnecting() const override;
    // Reports the missing voice once per press, as a start does.
    void beginHeldTurn() override;
    void endHeldTurn() override;

private:
    void reportUnavailable();
};

} // namespace korvane
