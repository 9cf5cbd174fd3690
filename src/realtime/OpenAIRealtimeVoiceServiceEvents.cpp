// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/ComputerUseToolArguments.h"
#include "realtime/ComputerUseToolDispatch.h"
#include "realtime/ConnectionWaiter.h"
#include "realtime/OpenAIRealtimeVoiceService.h"
#include "realtime/RealtimeClientEvents.h"
#include "realtime/SpokenText.h"

#include <QElapsedTimer>
#include <QMetaObject>

namespace korvane {

namespace {

// The longest one turn of the main loop spends on server events; the rest waits for the next.
constexpr qint64 drainSliceMs = 8;
// What the queue may hold in all, whatever the count: four of the largest events.
constexpr qsizetype incomingByteLimit = 4 * RealtimeServerEvent::maximumTextSize;

QString quoted(const QString& text)
{
    return u'"' + text + u'"';
}

} // namespace

void OpenAIRealtimeVoiceService::enqueue(IncomingItem item)
{
    // After a connection's end is queued, nothing more of it is.
    if (m_endQueuedFor == item.connection)
        return;
    if (item.error) {
        m_endQueuedFor = item.connection;
    } else {
        if (item.connection == m_connectionId) {
            m_lastHeard = std::chrono::steady_clock::now();
            m_pingSentAt.reset();
        }
        const bool full = m_incoming.size() >= m_timings.incomingLimit ||
                          m_incomingBytes + item.text.size() > incomingByteLimit;
        if (full) {
            // A server that sends faster than it can be listened to is not talked to further.
            item = {item.connection,
                    {},
                    QStringLiteral("The Realtime service sent more events than could be "
                                   "handled.")};
            m_endQueuedFor = item.connection;
            // Not inside the socket's own signal: it is still reading.
            if (m_socket && item.connection == m_connectionId)
                QMetaObject::invokeMethod(m_socket.data(), &QWebSocket::abort,
                                          Qt::QueuedConnection);
        }
    }
    m_incomingBytes += item.text.size();
    m_incoming.append(std::move(item));
    if (m_drainPosted)
        return;
    // Handled on a later turn, never inside the socket's own signal.
    m_drainPosted = true;
    QMetaObject::invokeMethod(
        this, [this] { drainIncoming(); }, Qt::QueuedConnection);
}

void OpenAIRealtimeVoiceService::drainIncoming()
{
    m_drainPosted = false;
    QElapsedTimer slice;
    slice.start();
    while (!m_incoming.isEmpty()) {
        if (slice.elapsed() >= drainSliceMs) {
            // A flood of events never holds the window still: the rest follows next turn.
            flushTranscript();
            m_drainPosted = true;
            QMetaObject::invokeMethod(
                this, [this] { drainIncoming(); }, Qt::QueuedConnection);
            return;
        }
        const IncomingItem item = m_incoming.takeFirst();
        m_incomingBytes -= item.text.size();
        // A connection that was closed, replaced or ended has nothing more to say.
        if (!m_socket || item.connection != m_connectionId)
            continue;
        if (item.error) {
            receiveFailed(*item.error);
            continue;
        }
        if (const std::optional<RealtimeServerEvent> event = RealtimeServerEvent::parse(item.text))
            handle(*event);
    }
    flushTranscript();
}

void OpenAIRealtimeVoiceService::receiveFailed(const QString& description)
{
    m_connectionId = 0;
    if (const std::shared_ptr<ConnectionWaiter> waiter =
            std::exchange(m_connectionContinuation, {}))
        waiter->resolve({ConnectionWaiter::Outcome::failed, description});
    if (m_gate.active)
        fail(description);
}

void OpenAIRealtimeVoiceService::handle(const RealtimeServerEvent& event)
{
    using Event = RealtimeServerEvent;
    writeLog(QStringLiteral("Received Realtime WebSocket event: ") + event.type);

    if (std::holds_alternative<Event::SpeechStarted>(event.payload)) {
        cancelIdleDisconnect();
        if (m_gate.bargeIn && m_gate.answerPlaying)
            interruptAnswer();
        if (m_suppressComputerUseUntil && now() < *m_suppressComputerUseUntil)
            return;
        m_didExecuteComputerUseForCurrentResponse = false;
    } else if (const auto* audio = std::get_if<Event::AudioDelta>(&event.payload)) {
        handleAudioDelta(*audio);
    } else if (std::holds_alternative<Event::ResponseCreated>(event.payload)) {
        m_didExecuteComputerUseForCurrentResponse = false;
        m_responseInProgress = true;
    } else if (std::holds_alternative<Event::SessionCreated>(event.payload)) {
        if (const std::shared_ptr<ConnectionWaiter> waiter =
                std::exchange(m_connectionContinuation, {}))
            waiter->resolve({ConnectionWaiter::Outcome::connected, {}});
    } else if (std::holds_alternative<Event::ResponseDone>(event.payload)) {
        handleResponseDone();
    } else if (const auto* delta = std::get_if<Event::TranscriptDelta>(&event.payload)) {
        if (!delta->delta)
            return;
        m_transcriptBuffer += *delta->delta;
        updateTranscript();
    } else if (const auto* done = std::get_if<Event::TranscriptDone>(&event.payload)) {
        if (!done->transcript)
            return;
        m_transcriptBuffer = *done->transcript;
        updateTranscript();
        writeLog(QStringLiteral("Assistant response transcript: ") + quoted(m_transcriptBuffer));
    } else if (const auto* user = std::get_if<Event::UserTranscription>(&event.payload)) {
        handleUserTranscription(user->transcript);
    } else if (const auto* call = std::get_if<Event::FunctionCall>(&event.payload)) {
        handleFunctionCall(*call);
    } else if (const auto* error = std::get_if<Event::Error>(&event.payload)) {
        handleError(error->message);
    }
}

void OpenAIRealtimeVoiceService::handleResponseDone()
{
    m_responseInProgress = false;
    if (m_isVoiceSession) {
        // Whatever was heard while the answer held the microphone back is dropped; a person
        // talking over the answer or holding the talk key keeps theirs.
        if (!m_gate.bargeIn && !m_gate.talkHeld)
            send(RealtimeClientEvents::inputAudioBufferClear());
        // The microphone opens again, and the session says it listens, once the answer has
        // played out.
        if (m_gate.answerPlaying)
            watchPlaybackDrain();
        else
            updateState(RealtimeVoiceState::recording);
    } else {
        updateState(RealtimeVoiceState::idle);
    }
    if (!m_didExecuteComputerUseForCurrentResponse) {
        flushTranscript();
        Q_EMIT responseDone();
    }
    scheduleIdleDisconnect();
}

void OpenAIRealtimeVoiceService::handleUserTranscription(const std::optional<QString>& transcript)
{
    if (transcript) {
        writeLog(QStringLiteral("User input transcription: ") + quoted(*transcript));
        if (SpokenText::containsWakePhrase(*transcript)) {
            flushTranscript();
            Q_EMIT wakePhraseDetected();
        }
        if (SpokenText::isStopCommand(*transcript)) {
            send(RealtimeClientEvents::inputAudioBufferClear());
            stopNow();
            return;
        }
        scheduleIdleDisconnect();
    }
    // The next answer's text is an update of its own.
    flushTranscript();
    m_transcriptBuffer.clear();
}

void OpenAIRealtimeVoiceService::handleError(const QString& message)
{
    writeLog(QStringLiteral("Received Realtime API error: ") + message);
    if (message.contains(u"no active response found", Qt::CaseInsensitive) ||
        message.contains(u"already has an active response", Qt::CaseInsensitive))
        return;
    fail(message);
}

void OpenAIRealtimeVoiceService::handleFunctionCall(const RealtimeServerEvent::FunctionCall& call)
{
    cancelIdleDisconnect();
    if (call.name != u"computer_use" || !call.callId)
        return;
    const QString argumentsText = call.arguments.value_or(QStringLiteral("{}"));
    const std::optional<ComputerUseToolArguments> arguments =
        ComputerUseToolArguments::parse(argumentsText);
    if (!arguments) {
        const QString message =
            QStringLiteral("Failed to parse tool call arguments: ") + argumentsText;
        writeLog(message);
        fail(message);
        return;
    }
    writeLog(QStringLiteral("Tool call 'computer_use': action = ") + arguments->action +
             QStringLiteral(", args = ") + argumentsText);
    m_didExecuteComputerUseForCurrentResponse = true;
    m_toolCalls.append({m_connectionId, *call.callId, *arguments});
    if (!m_toolCallRunning)
        QCoro::connect(runToolCalls(), this, [] {});
}

// Tool calls act on the desktop, so they run one at a time, in the order the model made them.
QCoro::Task<> OpenAIRealtimeVoiceService::runToolCalls()
{
    const QPointer<OpenAIRealtimeVoiceService> self(this);
    m_toolCallRunning = true;
    while (!m_toolCalls.isEmpty()) {
        const ToolCall call = m_toolCalls.takeFirst();
        if (call.connection != m_connectionId)
            continue;
        flushTranscript();
        Q_EMIT computerUseStarted(call.arguments.action, call.arguments.scriptCode);

        const std::shared_ptr<ComputerUseToolActions> actions = m_computerUse;
        const ComputerUseResult result = co_await executeToolAction(actions, call.arguments);
        if (!self)
            co_return;

        const qsizetype bodyLength = result.artifact ? result.artifact->body.size() : 0;
        writeLog(QStringLiteral("Tool execution result: summary = ") + quoted(result.summary) +
                 QStringLiteral(", artifact body length = ") + QString::number(bodyLength));
        flushTranscript();
        Q_EMIT computerUseFinished(result);
        // The session the call came from ended while it ran: there is nobody to answer, and a
        // later session must not receive an output for a call it never made.
        if (call.connection != m_connectionId)
            continue;

        if (const Outcome sent =
                sendJSON(RealtimeClientEvents::functionCallOutput(call.callId, result.summary));
            !sent) {
            fail(sent.error());
            continue;
        }
        send(RealtimeClientEvents::inputAudioBufferClear());
        if (const Outcome sent = sendJSON(RealtimeClientEvents::responseCreate()); !sent)
            fail(sent.error());
    }
    m_toolCallRunning = false;
}

void OpenAIRealtimeVoiceService::finishLocalFeedbackAndScheduleIdleDisconnect()
{
    if (!m_gate.active)
        return;
    m_didExecuteComputerUseForCurrentResponse = false;
    m_suppressComputerUseUntil = now() + m_timings.feedbackSuppression;
    // An answer still playing keeps the microphone back until it has played out.
    const bool stillPlaying = m_devices.playback && m_gate.answerPlaying &&
                              m_devices.playback->pendingDuration().count() > 0;
    if (stillPlaying) {
        watchPlaybackDrain();
    } else {
        m_gate.answerPlaying = false;
        updateState(RealtimeVoiceState::recording);
    }
    send(RealtimeClientEvents::inputAudioBufferClear());
    scheduleIdleDisconnect();
}

} // namespace korvane
