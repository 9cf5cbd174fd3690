// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/ComputerUseResult.h"
#include "realtime/RealtimeVoiceState.h"

#include <QObject>
#include <QString>
#include <qcoro/qcorotask.h>

#include <optional>

namespace korvane {

// The realtime voice session as the application model drives it. Lives on the main thread and
// reports through its signals, in the order things happened.
class RealtimeVoiceService : public QObject {
    Q_OBJECT

public:
    explicit RealtimeVoiceService(QObject* parent = nullptr);
    ~RealtimeVoiceService() override;

    // Opens and configures a session. Never fails: problems arrive through failed() and
    // stateChanged().
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

Q_SIGNALS:
    void stateChanged(korvane::RealtimeVoiceState state);
    // The answer's text so far, replacing what came before it.
    void assistantTranscriptChanged(const QString& text);
    void computerUseStarted(const QString& action, const std::optional<QString>& scriptCode);
    void computerUseFinished(const korvane::ComputerUseResult& result);
    // The person said the wake phrase inside a running session.
    void wakePhraseDetected();
    void failed(const QString& message);
    // An answer without a tool call is over.
    void responseDone();
};

} // namespace korvane
