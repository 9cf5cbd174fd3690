#pragma once

#include "realtime/AudioDevices.h"
#include "realtime/AudioSendQueue.h"
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

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>

namespace korvane {

class ComputerUseToolActions;
class ConnectionWaiter;

// The voice session with the OpenAI Realtime API over a WebSocket: microphone audio streams up
// as 24 kHz 16-bit PCM, the spoken answer streams back and is played, and the model's
// `computer_use` calls are carried out and answered. Lives on the main thread; the capture tap
// runs on the capture device's thread and reads only the atomic flags. Server events are
// handled one at a time, in order, a whole tool call included.
class OpenAIRealtimeVoiceService final : public QObject, public RealtimeVoiceService {
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

    bool isRecording() const;
    bool isSpeaking() const;
    bool isMicrophoneActive() const;

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

    std::chrono::steady_clock::time_point now() const;
    void updateState(RealtimeVoiceState state);
    void fail(const QString& message);
    void post(std::function<void()> block);

    // Session lifecycle.
    QCoro::Task<SessionOutcome> openSession(bool isVoice, QString apiKey, quint64 generation);
    std::optional<QString> connect(const QString& apiKey);
    void abandonPendingStart();
    void startPingTimer();
    void closeConnection();
    void stopNow();
    std::optional<QString> sendSessionUpdate(bool isVoice);
    std::optional<QString> sendJSON(const QJsonObject& event);
    void scheduleIdleDisconnect();
    void cancelIdleDisconnect();

    // Receiving.
    void enqueue(IncomingItem item);
    QCoro::Task<> drainIncoming(quint64 connection);
    QCoro::Task<> handle(RealtimeServerEvent event);
    QCoro::Task<> handleFunctionCall(RealtimeServerEvent::FunctionCall call);
    QCoro::Task<> handleUserTranscription(std::optional<QString> transcript);
    QCoro::Task<> handleError(QString message);
    void handleResponseDone();
    void receiveFailed(const QString& description);

    // Audio.
    QCoro::Task<std::optional<QString>> requestMicrophoneAccess();
    std::optional<QString> configurePlayback();
    std::optional<QString> beginRecordingAfterConnect();
    std::optional<QString> startMicrophone();
    void tearDownAudio();
    void sendAudioData(QByteArray bytes);
    void play(const QByteArray& bytes);

    std::shared_ptr<ComputerUseToolActions> m_computerUse;
    AudioDevices m_devices;
    RealtimeTimings m_timings;

    QPointer<QWebSocket> m_socket;
    // The connection whose events are still handled; 0 once its receiving ended.
    quint64 m_connectionId = 0;
    QPointer<QTimer> m_pingTimer;
    bool m_awaitingPong = false;
    QTimer* m_idleTimer = nullptr;
    std::optional<AudioFormat> m_outputFormat{};
    std::shared_ptr<ConnectionWaiter> m_connectionContinuation{};

    // Read by the capture thread.
    std::atomic<bool> m_isActive{false};
    std::atomic<bool> m_isRecording{false};
    std::atomic<bool> m_isSpeaking{false};

    bool m_isVoiceSession = true;
    bool m_isMicrophoneActive = false;
    bool m_tapInstalled = false;
    bool m_didExecuteComputerUseForCurrentResponse = false;
    std::optional<std::chrono::steady_clock::time_point> m_suppressComputerUseUntil{};
    QString m_transcriptBuffer{};

    quint64 m_startGeneration = 0;
    quint64 m_connectionCounter = 0;
    // The last connection whose end was queued: only its first error counts.
    quint64 m_endQueuedFor = 0;
    QList<IncomingItem> m_incoming{};
    // The connection whose events a handling loop is working through; 0 for none.
    quint64 m_drainingConnection = 0;
    AudioSendQueue m_audioQueue;
};

} // namespace korvane
