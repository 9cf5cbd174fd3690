#include "realtime/OpenAIRealtimeVoiceService.h"

#include "core/Configuration.h"
#include "core/DebugLog.h"
#include "core/LocalEnvironment.h"
#include "realtime/ComputerUseToolActions.h"
#include "realtime/ConnectionWaiter.h"
#include "realtime/RealtimeClientEvents.h"
#include "realtime/RealtimeVoiceError.h"

#include <QDir>
#include <QMetaObject>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrlQuery>
#include <QWebSocket>

namespace korvane {

namespace {

const QString notConfiguredMessage =
    QStringLiteral("OpenAI is not configured. Add OPENAI_API_KEY to .env.local.");

QString closeDescription(const QWebSocket& socket)
{
    const QString text = QStringLiteral("The Realtime connection was closed (code ") +
                         QString::number(int(socket.closeCode())) + u')';
    const QString reason = socket.closeReason();
    return reason.isEmpty() ? QString(text + u'.') : QString(text + QStringLiteral(": ") + reason);
}

} // namespace

QString OpenAIRealtimeVoiceService::model()
{
    return QStringLiteral("gpt-realtime-2.1");
}

QUrl OpenAIRealtimeVoiceService::endpoint()
{
    QUrl url = Configuration::appendingPath(Configuration::realtimeBaseUrl(),
                                            QStringLiteral("/v1/realtime"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("model"), model());
    url.setQuery(query);
    const bool webSocketScheme = url.scheme() == u"wss" || url.scheme() == u"ws";
    if (!url.isValid() || !webSocketScheme || url.host().isEmpty())
        return {};
    return url;
}

OpenAIRealtimeVoiceService::OpenAIRealtimeVoiceService(
    std::shared_ptr<ComputerUseToolActions> computerUse, AudioDevices devices,
    RealtimeTimings timings, QObject* parent)
    : QObject(parent)
    , m_computerUse(std::move(computerUse))
    , m_devices(std::move(devices))
    , m_timings(std::move(timings))
    , m_idleTimer(new QTimer(this))
    , m_audioQueue(this, [this](QByteArray bytes) { sendAudioData(std::move(bytes)); })
{
    m_idleTimer->setSingleShot(true);
    m_idleTimer->setObjectName(QStringLiteral("realtimeIdleDisconnect"));
    QObject::connect(m_idleTimer, &QTimer::timeout, this,
                     [this] { QCoro::connect(stop(), this, [] {}); });
}

OpenAIRealtimeVoiceService::~OpenAIRealtimeVoiceService()
{
    // No tap call may run once the members it reads are gone.
    if (m_tapInstalled && m_devices.capture) {
        m_devices.capture->removeTap();
        m_devices.capture->stop();
    }
    abandonPendingStart();
    closeConnection();
}

bool OpenAIRealtimeVoiceService::isActive() const
{
    return m_isActive;
}

bool OpenAIRealtimeVoiceService::isRecording() const
{
    return m_isRecording;
}

bool OpenAIRealtimeVoiceService::isSpeaking() const
{
    return m_isSpeaking;
}

bool OpenAIRealtimeVoiceService::isMicrophoneActive() const
{
    return m_isMicrophoneActive;
}

std::chrono::steady_clock::time_point OpenAIRealtimeVoiceService::now() const
{
    return m_timings.clock ? m_timings.clock() : std::chrono::steady_clock::now();
}

void OpenAIRealtimeVoiceService::post(std::function<void()> block)
{
    QMetaObject::invokeMethod(this, std::move(block), Qt::QueuedConnection);
}

void OpenAIRealtimeVoiceService::updateState(RealtimeVoiceState state)
{
    post([this, state] {
        if (onStateChange)
            onStateChange(state);
    });
}

void OpenAIRealtimeVoiceService::fail(const QString& message)
{
    post([this, message] {
        if (onError)
            onError(message);
        if (onStateChange)
            onStateChange(RealtimeVoiceState::failed);
    });
}

// MARK: - Lifecycle

QCoro::Task<> OpenAIRealtimeVoiceService::start(bool isVoice)
{
    const QPointer<OpenAIRealtimeVoiceService> self(this);
    if (m_isActive) {
        co_await stop();
        if (!self)
            co_return;
    }
    updateState(RealtimeVoiceState::connecting);

    const std::optional<QString> apiKey = LocalEnvironment::value(Configuration::apiKeyName);
    if (!apiKey || apiKey->isEmpty()) {
        fail(notConfiguredMessage);
        co_return;
    }
    m_isVoiceSession = isVoice;

    // A start still under way is overtaken by this one and ends without a word.
    abandonPendingStart();
    const quint64 generation = ++m_startGeneration;
    const SessionOutcome outcome = co_await openSession(isVoice, *apiKey, generation);
    if (!self || outcome.abandoned)
        co_return;
    if (outcome.error) {
        fail(*outcome.error);
        co_await stop();
    }
}

QCoro::Task<OpenAIRealtimeVoiceService::SessionOutcome>
OpenAIRealtimeVoiceService::openSession(bool isVoice, QString apiKey, quint64 generation)
{
    const QPointer<OpenAIRealtimeVoiceService> self(this);
    const auto overtaken = [&] { return !self || generation != m_startGeneration; };

    if (isVoice) {
        const std::optional<QString> denied = co_await requestMicrophoneAccess();
        if (overtaken())
            co_return SessionOutcome{.abandoned = true};
        if (denied)
            co_return SessionOutcome{.error = denied};
        if (const std::optional<QString> error = configurePlayback())
            co_return SessionOutcome{.error = error};
    }

    const auto waiter = std::make_shared<ConnectionWaiter>();
    m_connectionContinuation = waiter;
    if (const std::optional<QString> error = connect(apiKey)) {
        m_connectionContinuation.reset();
        co_return SessionOutcome{.error = error};
    }
    apiKey.clear();
    const ConnectionWaiter::Result connected = co_await waiter->wait();
    if (overtaken() || connected.outcome == ConnectionWaiter::Outcome::abandoned)
        co_return SessionOutcome{.abandoned = true};
    if (connected.outcome == ConnectionWaiter::Outcome::failed)
        co_return SessionOutcome{.error = connected.error};

    if (const std::optional<QString> error = sendSessionUpdate(isVoice))
        co_return SessionOutcome{.error = error};
    m_isActive = true;
    if (isVoice) {
        if (const std::optional<QString> error = beginRecordingAfterConnect())
            co_return SessionOutcome{.error = error};
    }
    scheduleIdleDisconnect();
    co_return SessionOutcome{};
}

void OpenAIRealtimeVoiceService::abandonPendingStart()
{
    ++m_startGeneration;
    if (const std::shared_ptr<ConnectionWaiter> waiter =
            std::exchange(m_connectionContinuation, {}))
        waiter->resolve({ConnectionWaiter::Outcome::abandoned, {}});
}

std::optional<QString> OpenAIRealtimeVoiceService::connect(const QString& apiKey)
{
    const QUrl url = endpoint();
    if (url.isEmpty())
        return description(RealtimeVoiceError::invalidURL);
    if (std::optional<QString> refusal = Configuration::credentialTransportProblem(url))
        return refusal;

    QNetworkRequest request(url);
    request.setRawHeader("Authorization", "Bearer " + apiKey.toUtf8());
    request.setRawHeader("OpenAI-Safety-Identifier", "korva-local-dev-user");

    closeConnection();
    auto* socket = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this);
    socket->setMaxAllowedIncomingMessageSize(quint64(RealtimeServerEvent::maximumTextSize));
    const quint64 id = ++m_connectionCounter;
    m_socket = socket;
    m_connectionId = id;
    m_awaitingPong = false;

    QObject::connect(socket, &QWebSocket::textMessageReceived, this,
                     [this, id](const QString& text) {
                         enqueue({id, text, std::nullopt});
                     });
    QObject::connect(socket, &QWebSocket::binaryMessageReceived, this,
                     [this, id](const QByteArray& data) {
                         enqueue({id, QString::fromUtf8(data), std::nullopt});
                     });
    QObject::connect(socket, QOverload<QAbstractSocket::SocketError>::of(&QWebSocket::error), this,
                     [this, id, socket](QAbstractSocket::SocketError error) {
                         // A peer's close ends in disconnected(), which tells its code.
                         if (error == QAbstractSocket::RemoteHostClosedError)
                             return;
                         enqueue({id, {}, socket->errorString()});
                     });
    QObject::connect(socket, &QWebSocket::disconnected, this, [this, id, socket] {
        enqueue({id, {}, closeDescription(*socket)});
    });
    QObject::connect(socket, &QWebSocket::pong, this, [this] { m_awaitingPong = false; });
    QTimer::singleShot(m_timings.handshakeTimeout, socket, [this, id, socket] {
        if (socket->state() == QAbstractSocket::ConnectedState)
            return;
        enqueue({id, {}, QStringLiteral("The Realtime connection timed out.")});
        socket->abort();
    });
    socket->open(request);
    startPingTimer();
    return std::nullopt;
}

void OpenAIRealtimeVoiceService::startPingTimer()
{
    delete m_pingTimer.data();
    auto* timer = new QTimer(this);
    timer->setObjectName(QStringLiteral("realtimePing"));
    timer->setInterval(m_timings.pingInterval);
    QObject::connect(timer, &QTimer::timeout, this, [this] {
        if (!m_socket)
            return;
        if (m_socket->state() != QAbstractSocket::ConnectedState) {
            writeLog(QStringLiteral("WebSocket ping failed: ") +
                     description(RealtimeVoiceError::notConnected));
            return;
        }
        if (m_awaitingPong)
            writeLog(QStringLiteral("WebSocket ping failed: no pong arrived for the last ping."));
        m_awaitingPong = true;
        m_socket->ping();
    });
    timer->start();
    m_pingTimer = timer;
}

void OpenAIRealtimeVoiceService::closeConnection()
{
    m_connectionId = 0;
    QWebSocket* socket = m_socket.data();
    m_socket.clear();
    if (!socket)
        return;
    QObject::disconnect(socket, nullptr, this, nullptr);
    if (socket->state() == QAbstractSocket::UnconnectedState) {
        socket->deleteLater();
        return;
    }
    QObject::connect(socket, &QWebSocket::disconnected, socket, &QObject::deleteLater);
    // A peer that never answers the close is given up on.
    QTimer::singleShot(std::chrono::seconds(5), socket, &QObject::deleteLater);
    socket->close(QWebSocketProtocol::CloseCodeGoingAway);
}

QCoro::Task<> OpenAIRealtimeVoiceService::stop()
{
    stopNow();
    co_return;
}

void OpenAIRealtimeVoiceService::stopNow()
{
    abandonPendingStart();
    cancelIdleDisconnect();
    m_isActive = false;
    m_isRecording = false;
    if (m_isMicrophoneActive)
        tearDownAudio();
    // Chunks captured before the teardown are dealt with now, not after it.
    m_audioQueue.drain();
    delete m_pingTimer.data();
    closeConnection();
    m_incoming.clear();
    m_transcriptBuffer.clear();
    updateState(RealtimeVoiceState::idle);
}

std::optional<QString> OpenAIRealtimeVoiceService::sendSessionUpdate(bool isVoice)
{
    const QString instructions = RealtimeClientEvents::instructions(QDir::homePath());
    return sendJSON(RealtimeClientEvents::sessionUpdate(isVoice, instructions));
}

std::optional<QString> OpenAIRealtimeVoiceService::sendJSON(const QJsonObject& event)
{
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState)
        return description(RealtimeVoiceError::notConnected);
    m_socket->sendTextMessage(RealtimeClientEvents::text(event));
    return std::nullopt;
}

void OpenAIRealtimeVoiceService::scheduleIdleDisconnect()
{
    m_idleTimer->start(m_timings.idleDisconnect);
}

void OpenAIRealtimeVoiceService::cancelIdleDisconnect()
{
    m_idleTimer->stop();
}

} // namespace korvane
