#pragma once

#include "core/ComputerUseResult.h"
#include "realtime/RealtimeVoiceState.h"

#include <QString>
#include <qcoro/qcorotask.h>

#include <functional>
#include <optional>

namespace korvane {

// The realtime voice session as the application model drives it. The owner assigns the
// callbacks; every one of them may be left empty. `onComputerUseStart` may be called from the
// task that handles the tool call, the others are called on the main thread.
class RealtimeVoiceService {
public:
    virtual ~RealtimeVoiceService() = default;

    // Opens and configures a session. Never fails: problems arrive through onError and
    // onStateChange.
    virtual QCoro::Task<> start(bool isVoice) = 0;
    // Closes any session and releases audio.
    virtual QCoro::Task<> stop() = 0;
    // Turns audio streaming on or off inside a connected session.
    virtual QCoro::Task<> setVoiceMode(bool enabled) = 0;
    // The owner's own spoken feedback for a tool result is over.
    virtual void finishLocalFeedbackAndScheduleIdleDisconnect() = 0;
    // Connected and configured.
    virtual bool isActive() const = 0;
    // A start is under way: connecting, or waiting for the service to confirm the session.
    virtual bool isConnecting() const = 0;
    // The person pressed the talk key: any answer stops, the server's turn detection is off
    // until the key is released, and a voice session starts when none runs.
    virtual void beginHeldTurn() = 0;
    // The talk key was released: what was said is committed and answered.
    virtual void endHeldTurn() = 0;
    // One line in the debug log.
    virtual void writeLog(const QString& message);

    std::function<void(RealtimeVoiceState)> onStateChange{};
    std::function<void(QString)> onAssistantTranscript{};
    std::function<void(ComputerUseResult)> onComputerUseResult{};
    std::function<void(QString, std::optional<QString>)> onComputerUseStart{};
    std::function<void()> onWakePhraseDetected{};
    std::function<void(QString)> onError{};
    std::function<void()> onResponseDone{};
};

} // namespace korvane
