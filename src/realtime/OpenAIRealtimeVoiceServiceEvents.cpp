#include "realtime/ComputerUseToolArguments.h"
#include "realtime/ComputerUseToolDispatch.h"
#include "realtime/ConnectionWaiter.h"
#include "realtime/OpenAIRealtimeVoiceService.h"
#include "realtime/RealtimeClientEvents.h"
#include "realtime/SpokenText.h"

#include <QMetaObject>
#include <QTimer>

namespace korvane {

namespace {

QString quoted(const QString& text)
{
    return u'"' + text + u'"';
}

} // namespace

void OpenAIRealtimeVoiceService::enqueue(IncomingItem item)
{
    if (item.error) {
        if (m_endQueuedFor == item.connection)
            return;
        m_endQueuedFor = item.connection;
    }
    const quint64 connection = item.connection;
    m_incoming.append(std::move(item));
    if (m_drainingConnection == connection)
        return;
    // Handled on a later turn, never inside the socket's own signal.
    QMetaObject::invokeMethod(
        this, [this, connection] { QCoro::connect(drainIncoming(connection), this, [] {}); },
        Qt::QueuedConnection);
}

// One loop per connection, so a new session is never kept waiting by a tool call of the last.
QCoro::Task<> OpenAIRealtimeVoiceService::drainIncoming(quint64 connection)
{
    if (m_drainingConnection == connection)
        co_return;
    m_drainingConnection = connection;
    const QPointer<OpenAIRealtimeVoiceService> self(this);
    while (!m_incoming.isEmpty()) {
        const IncomingItem item = m_incoming.takeFirst();
        // A connection that was closed, replaced or ended has nothing more to say.
        if (!m_socket || item.connection != m_connectionId || item.connection != connection)
            continue;
        if (item.error) {
            receiveFailed(*item.error);
            continue;
        }
        std::optional<RealtimeServerEvent> event = RealtimeServerEvent::parse(item.text);
        if (!event)
            continue;
        co_await handle(std::move(*event));
        if (!self || m_drainingConnection != connection)
            co_return;
    }
    m_drainingConnection = 0;
}

void OpenAIRealtimeVoiceService::receiveFailed(const QString& description)
{
    m_connectionId = 0;
    if (const std::shared_ptr<ConnectionWaiter> waiter =
            std::exchange(m_connectionContinuation, {}))
        waiter->resolve({ConnectionWaiter::Outcome::failed, description});
    if (m_isActive) {
        fail(description);
        // The connection is gone: release the microphone and say so, as any fatal error does.
        stopNow();
    }
}

QCoro::Task<> OpenAIRealtimeVoiceService::handle(RealtimeServerEvent event)
{
    using Event = RealtimeServerEvent;
    writeLog(QStringLiteral("Received Realtime WebSocket event: ") + event.type);

    if (std::holds_alternative<Event::SpeechStarted>(event.payload)) {
        cancelIdleDisconnect();
        if (m_suppressComputerUseUntil && now() < *m_suppressComputerUseUntil)
            co_return;
        m_didExecuteComputerUseForCurrentResponse = false;
    } else if (const auto* audio = std::get_if<Event::AudioDelta>(&event.payload)) {
        if (!m_isVoiceSession || !audio->delta)
            co_return;
        const QByteArray::FromBase64Result decoded = QByteArray::fromBase64Encoding(
            audio->delta->toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            co_return;
        m_isSpeaking = true;
        play(*decoded);
        updateState(RealtimeVoiceState::speaking);
    } else if (std::holds_alternative<Event::ResponseCreated>(event.payload)) {
        m_didExecuteComputerUseForCurrentResponse = false;
    } else if (std::holds_alternative<Event::SessionCreated>(event.payload)) {
        if (const std::shared_ptr<ConnectionWaiter> waiter =
                std::exchange(m_connectionContinuation, {}))
            waiter->resolve({ConnectionWaiter::Outcome::connected, {}});
    } else if (std::holds_alternative<Event::ResponseDone>(event.payload)) {
        handleResponseDone();
    } else if (const auto* delta = std::get_if<Event::TranscriptDelta>(&event.payload)) {
        if (!delta->delta)
            co_return;
        m_transcriptBuffer += *delta->delta;
        post([this, text = m_transcriptBuffer] {
            if (onAssistantTranscript)
                onAssistantTranscript(text);
        });
    } else if (const auto* done = std::get_if<Event::TranscriptDone>(&event.payload)) {
        if (!done->transcript)
            co_return;
        m_transcriptBuffer = *done->transcript;
        post([this, text = m_transcriptBuffer] {
            if (onAssistantTranscript)
                onAssistantTranscript(text);
        });
        writeLog(QStringLiteral("Assistant response transcript: ") + quoted(m_transcriptBuffer));
    } else if (const auto* user = std::get_if<Event::UserTranscription>(&event.payload)) {
        co_await handleUserTranscription(user->transcript);
    } else if (const auto* call = std::get_if<Event::FunctionCall>(&event.payload)) {
        co_await handleFunctionCall(*call);
    } else if (const auto* error = std::get_if<Event::Error>(&event.payload)) {
        co_await handleError(error->message);
    }
}

void OpenAIRealtimeVoiceService::handleResponseDone()
{
    RealtimeVoiceState next = RealtimeVoiceState::idle;
    if (m_isVoiceSession) {
        sendJSON(RealtimeClientEvents::inputAudioBufferClear());
        // The tail of the answer is still playing: keep the microphone back a little longer.
        QTimer::singleShot(m_timings.speakingHold, this, [this] { m_isSpeaking = false; });
        next = RealtimeVoiceState::recording;
    }
    updateState(next);
    if (!m_didExecuteComputerUseForCurrentResponse) {
        post([this] {
            if (onResponseDone)
                onResponseDone();
        });
    }
    scheduleIdleDisconnect();
}

QCoro::Task<> OpenAIRealtimeVoiceService::handleUserTranscription(std::optional<QString> transcript)
{
    if (transcript) {
        writeLog(QStringLiteral("User input transcription: ") + quoted(*transcript));
        if (SpokenText::containsWakePhrase(*transcript)) {
            post([this] {
                if (onWakePhraseDetected)
                    onWakePhraseDetected();
            });
        }
        if (SpokenText::isStopCommand(*transcript)) {
            sendJSON(RealtimeClientEvents::inputAudioBufferClear());
            co_await stop();
            co_return;
        }
        scheduleIdleDisconnect();
    }
    m_transcriptBuffer.clear();
}

QCoro::Task<> OpenAIRealtimeVoiceService::handleError(QString message)
{
    writeLog(QStringLiteral("Received Realtime API error: ") + message);
    if (message.contains(u"no active response found", Qt::CaseInsensitive) ||
        message.contains(u"already has an active response", Qt::CaseInsensitive))
        co_return;
    fail(message);
    co_await stop();
}

QCoro::Task<> OpenAIRealtimeVoiceService::handleFunctionCall(RealtimeServerEvent::FunctionCall call)
{
    cancelIdleDisconnect();
    if (call.name != u"computer_use" || !call.callId)
        co_return;
    const quint64 connection = m_connectionId;
    const QString callId = *call.callId;
    const QString argumentsText = call.arguments.value_or(QStringLiteral("{}"));
    const std::optional<ComputerUseToolArguments> arguments =
        ComputerUseToolArguments::parse(argumentsText);
    if (!arguments) {
        const QString message =
            QStringLiteral("Failed to parse tool call arguments: ") + argumentsText;
        writeLog(message);
        fail(message);
        co_return;
    }
    writeLog(QStringLiteral("Tool call 'computer_use': action = ") + arguments->action +
             QStringLiteral(", args = ") + argumentsText);
    m_didExecuteComputerUseForCurrentResponse = true;
    if (onComputerUseStart)
        onComputerUseStart(arguments->action, arguments->scriptCode);

    const QPointer<OpenAIRealtimeVoiceService> self(this);
    const std::shared_ptr<ComputerUseToolActions> actions = m_computerUse;
    const ComputerUseResult result = co_await executeToolAction(actions, *arguments);
    if (!self)
        co_return;

    const qsizetype bodyLength = result.artifact ? result.artifact->body.size() : 0;
    writeLog(QStringLiteral("Tool execution result: summary = ") + quoted(result.summary) +
             QStringLiteral(", artifact body length = ") + QString::number(bodyLength));
    post([this, result] {
        if (onComputerUseResult)
            onComputerUseResult(result);
    });
    // The session the call came from has ended while it ran: there is nobody to answer, and
    // a later session must not receive an output for a call it never made.
    if (m_connectionId != connection)
        co_return;

    if (const std::optional<QString> error =
            sendJSON(RealtimeClientEvents::functionCallOutput(callId, result.summary))) {
        fail(*error);
        co_return;
    }
    sendJSON(RealtimeClientEvents::inputAudioBufferClear());
    if (const std::optional<QString> error = sendJSON(RealtimeClientEvents::responseCreate()))
        fail(*error);
}

void OpenAIRealtimeVoiceService::finishLocalFeedbackAndScheduleIdleDisconnect()
{
    if (!m_isActive)
        return;
    m_isSpeaking = false;
    m_didExecuteComputerUseForCurrentResponse = false;
    m_suppressComputerUseUntil = now() + m_timings.feedbackSuppression;
    updateState(RealtimeVoiceState::recording);
    sendJSON(RealtimeClientEvents::inputAudioBufferClear());
    scheduleIdleDisconnect();
}

} // namespace korvane
