// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Outcome.h"
#include "realtime/AudioDevices.h"
#include "realtime/AudioSendQueue.h"
#include "realtime/ComputerUseToolArguments.h"
#include "realtime/MicrophoneGate.h"
#include "realtime/RealtimeClientEvents.h"
#include "realtime/RealtimeServerEvent.h"
#include "realtime/RealtimeTimings.h"
#include "realtime/RealtimeVoiceService.h"

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <QWebSocket>
#include <qcoro/qcorotask.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace korvane {

class ComputerUseToolActions;
class ConnectionWaiter;

// The voice session with the OpenAI Realtime API over a WebSocket: microphone audio streams up
// as 24 kHz 16-bit PCM, the spoken answer streams back and is played, and the model's
// `computer_use` calls are carried out and answered. Lives on the main thread; the capture tap
// runs on the capture device's thread and reads only the microphone gate.
//
// Server events are handled in order as they arrive, also while a tool call runs (tool calls
// themselves run one after another), so a stop, an error or a lost connection ends the session
// at once. The microphone is held back while an answer plays, unless it is heard through echo
// cancellation: then the person may talk over the answer, which stops it.
class OpenAIRealtimeVoiceService final : public RealtimeVoiceService {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OpenAIRealtimeVoiceService)

public:
    // Sent as the `model` query item.
    static QString model();
    // The endpoint for the configured host (https→wss, http→ws) with the one `model` item.
    static QUrl endpoint();

    OpenAIRealtimeVoiceService(std::shared_ptr<ComputerUseToolActions> computerUse,
                               AudioDevices devices, RealtimeTimings timings = {},
                               QObject* parent = nullptr);
    ~OpenAIRealtimeVoiceService() override;

    QCoro::Task<> start(bool isVoice) override;
    QCoro::Task<> stop() override;
    QCoro::Task<> setVoiceMode(bool enabled) override;
    void finishLocalFeedbackAndScheduleIdleDisconnect() override;
    bool isActive() const override;
    bool isConnecting() const override;
    void beginHeldTurn() override;
    void endHeldTurn() override;

    // Whether the person lets answers be interrupted by voice; read at each session start.
    // Empty means yes. Interrupting by voice also needs echo cancellation on both devices.
    void setBargeInPreference(std::function<bool()> allowed);

    bool isRecording() const;
    bool isSpeaking() const;
    bool isMicrophoneActive() const;
    // Whether the current session lets the person talk over an answer.
    bool isBargeInActive() const;

private:
    // A received message, or the error that ended a connection's receiving.
    struct IncomingItem {
        quint64 connection = 0;
        QString text{};
        std::optional<QString> error{};
    };
    struct SessionOutcome {
        bool abandoned = false;
        std::optional<QString> error{};
    };
    struct ToolCall {
        quint64 connection = 0;
        QString callId{};
        ComputerUseToolArguments arguments{};
    };
    // The answer item whose audio plays, and how much of it arrived.
    struct AnswerAudio {
        QString itemId{};
        int contentIndex = 0;
        qint64 receivedBytes = 0;
        // An interrupted item whose further audio is dropped.
        QString truncatedItemId{};
    };
    enum class HeldTurn { none, held, released };

    std::chrono::steady_clock::time_point now() const;
    void updateState(RealtimeVoiceState state);
    // Reports `message`; a session that exists (ready, starting or holding the microphone)
    // ends with it.
    void fail(const QString& message);
    // Keeps the latest answer text to report; a burst of deltas becomes one report.
    void updateTranscript();
    // Reports the kept answer text. Called before any other report, so order holds, and once
    // a batch of server events is handled.
    void flushTranscript();

    // Session lifecycle.
    QCoro::Task<> startSession(bool isVoice, RealtimeClientEvents::TurnTaking turns);
    QCoro::Task<SessionOutcome> openSession(bool isVoice, RealtimeClientEvents::TurnTaking turns,
                                            QString apiKey, quint64 generation);
    Outcome connect(const QString& apiKey);
    void abandonPendingStart();
    void startPingTimer();
    void checkConnection();
    void closeConnection();
    void stopNow();
    Outcome sendSessionUpdate(bool isVoice, RealtimeClientEvents::TurnTaking turns);
    Outcome sendJSON(const QJsonObject& event);
    // Sends without asking whether it went: for events whose loss the session survives.
    void send(const QJsonObject& event);
    void scheduleIdleDisconnect();
    void cancelIdleDisconnect();

    // Receiving.
    void enqueue(IncomingItem item);
    void drainIncoming();
    void handle(const RealtimeServerEvent& event);
    void handleAudioDelta(const RealtimeServerEvent::AudioDelta& audio);
    void handleFunctionCall(const RealtimeServerEvent::FunctionCall& call);
    QCoro::Task<> runToolCalls();
    void handleUserTranscription(const std::optional<QString>& transcript);
    void handleError(const QString& message);
    void handleResponseDone();
    void receiveFailed(const QString& description);

    // Audio.
    QCoro::Task<Outcome> requestMicrophoneAccess();
    Outcome configurePlayback();
    Outcome beginRecordingAfterConnect();
    Outcome startMicrophone();
    bool holdsAudio() const;
    void tearDownAudio();
    void sendAudioData(QByteArray bytes);
    void play(const QByteArray& bytes);
    void watchPlaybackDrain();
    void checkPlaybackDrained();
    void answerPlayedOut();
    void interruptAnswer();
    void finishHeldTurn();

    std::shared_ptr<ComputerUseToolActions> m_computerUse;
    AudioDevices m_devices;
    RealtimeTimings m_timings;
    std::function<bool()> m_bargeInAllowed{};

    QPointer<QWebSocket> m_socket;
    // The connection whose events are still handled; 0 once its receiving ended.
    quint64 m_connectionId = 0;
    QPointer<QTimer> m_pingTimer;
    // The unanswered ping, and when the connection last sent anything.
    std::optional<std::chrono::steady_clock::time_point> m_pingSentAt{};
    std::chrono::steady_clock::time_point m_lastHeard{};
    QTimer* m_idleTimer = nullptr;
    QTimer* m_drainTimer = nullptr;
    std::optional<std::chrono::steady_clock::time_point> m_drainedSince{};
    std::optional<AudioFormat> m_outputFormat{};
    std::shared_ptr<ConnectionWaiter> m_connectionContinuation{};

    // Read by the capture thread.
    MicrophoneGate m_gate;

    bool m_isVoiceSession = true;
    bool m_isMicrophoneActive = false;
    bool m_tapInstalled = false;
    bool m_didExecuteComputerUseForCurrentResponse = false;
    std::optional<std::chrono::steady_clock::time_point> m_suppressComputerUseUntil{};
    QString m_transcriptBuffer{};
    // Between "response.created" and "response.done": more of the answer may still arrive.
    bool m_responseInProgress = false;
    // Answer text not yet reported.
    std::optional<QString> m_unsentTranscript{};
    AnswerAudio m_answer{};

    HeldTurn m_heldTurn = HeldTurn::none;
    // Microphone bytes sent during the held turn, and what was captured before the session
    // was ready.
    qint64 m_heldTurnBytes = 0;
    QList<QByteArray> m_preRoll{};
    qsizetype m_preRollBytes = 0;

    quint64 m_startGeneration = 0;
    // The generation of the start under way; it is current only while that start runs.
    quint64 m_openingGeneration = 0;
    quint64 m_connectionCounter = 0;
    // The last connection whose end was queued: nothing more of it is queued.
    quint64 m_endQueuedFor = 0;
    QList<IncomingItem> m_incoming{};
    qsizetype m_incomingBytes = 0;
    bool m_drainPosted = false;
    QList<ToolCall> m_toolCalls{};
    bool m_toolCallRunning = false;
    AudioSendQueue m_audioQueue;
};

} // namespace korvane
