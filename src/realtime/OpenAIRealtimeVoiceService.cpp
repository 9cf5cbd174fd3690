// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/OpenAIRealtimeVoiceService.h"

#include "computeruse/ComputerUseToolActions.h"
#include "core/Configuration.h"
#include "core/DebugLog.h"
#include "core/LocalEnvironment.h"
#include "realtime/ConnectionWaiter.h"
#include "realtime/RealtimeClientEvents.h"
#include "realtime/RealtimeVoiceError.h"

#include <QDir>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrlQuery>
#include <QWebSocket>

#include <algorithm>
#include <tuple>
#include <utility>

namespace korvane {

namespace {

const QString notConfiguredMessage =
    QStringLiteral("OpenAI is not configured. Add OPENAI_API_KEY to .env.local.");

using RealtimeClientEvents::TurnTaking;

// "15 seconds", "0.5 seconds".
QString secondsText(std::chrono::milliseconds duration)
{
    const double seconds = double(duration.count()) / 1000.0;
    return QString::number(seconds, 'g', 3) +
           (seconds == 1.0 ? QStringLiteral(" second") : QStringLiteral(" seconds"));
}

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
    : RealtimeVoiceService(parent)
    , m_computerUse(std::move(computerUse))
    , m_devices(std::move(devices))
    , m_timings(std::move(timings))
    , m_idleTimer(new QTimer(this))
    , m_drainTimer(new QTimer(this))
    , m_audioQueue(this, [this](QByteArray bytes) { sendAudioData(std::move(bytes)); })
{
    m_idleTimer->setSingleShot(true);
    m_idleTimer->setObjectName(QStringLiteral("realtimeIdleDisconnect"));
    QObject::connect(m_idleTimer, &QTimer::timeout, this, [this] { stopNow(); });
    m_drainTimer->setInterval(m_timings.drainPoll);
    QObject::connect(m_drainTimer, &QTimer::timeout, this, [this] { checkPlaybackDrained(); });
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

void OpenAIRealtimeVoiceService::setBargeInPreference(std::function<bool()> allowed)
{
    m_bargeInAllowed = std::move(allowed);
}

bool OpenAIRealtimeVoiceService::isActive() const
{
    return m_gate.active;
}

bool OpenAIRealtimeVoiceService::isConnecting() const
{
    return m_openingGeneration != 0 && m_openingGeneration == m_startGeneration;
}

bool OpenAIRealtimeVoiceService::isRecording() const
{
    return m_gate.recording;
}

bool OpenAIRealtimeVoiceService::isSpeaking() const
{
    return m_gate.answerPlaying;
}

bool OpenAIRealtimeVoiceService::isMicrophoneActive() const
{
    return m_isMicrophoneActive;
}

bool OpenAIRealtimeVoiceService::isBargeInActive() const
{
    return m_gate.bargeIn;
}

std::chrono::steady_clock::time_point OpenAIRealtimeVoiceService::now() const
{
    return m_timings.clock ? m_timings.clock() : std::chrono::steady_clock::now();
}

void OpenAIRealtimeVoiceService::updateTranscript()
{
    // A burst of deltas reaches the window as one update of the latest text, never as one
    // update per delta.
    m_unsentTranscript = m_transcriptBuffer;
}

void OpenAIRealtimeVoiceService::flushTranscript()
{
    if (std::optional<QString> text = std::exchange(m_unsentTranscript, std::nullopt))
        Q_EMIT assistantTranscriptChanged(*text);
}

void OpenAIRealtimeVoiceService::updateState(RealtimeVoiceState state)
{
    flushTranscript();
    Q_EMIT stateChanged(state);
}

void OpenAIRealtimeVoiceService::fail(const QString& message)
{
    flushTranscript();
    Q_EMIT failed(message);
    Q_EMIT stateChanged(RealtimeVoiceState::failed);
    // Nothing is left half running after a failure: the microphone closes and so does the
    // connection.
    if (m_gate.active || isConnecting() || m_socket || holdsAudio())
        stopNow();
}

// MARK: - Lifecycle

QCoro::Task<> OpenAIRealtimeVoiceService::start(bool isVoice)
{
    co_await startSession(isVoice, TurnTaking::serverDetected);
}

QCoro::Task<> OpenAIRealtimeVoiceService::startSession(bool isVoice, TurnTaking turns)
{
    const QPointer<OpenAIRealtimeVoiceService> self(this);
    if (m_gate.active)
        stopNow();
    updateState(RealtimeVoiceState::connecting);

    const std::optional<QString> apiKey = LocalEnvironment::value(Configuration::apiKeyName);
    if (!apiKey || apiKey->isEmpty()) {
        fail(notConfiguredMessage);
        co_return;
    }
    m_isVoiceSession = isVoice;
    m_gate.holdToTalkOnly = turns == TurnTaking::heldKey;

    // A start still under way is overtaken by this one and ends without a word.
    abandonPendingStart();
    const quint64 generation = ++m_startGeneration;
    m_openingGeneration = generation;
    const SessionOutcome outcome = co_await openSession(isVoice, turns, *apiKey, generation);
    if (!self || outcome.abandoned)
        co_return;
    if (outcome.error)
        fail(*outcome.error);
    if (m_openingGeneration == generation)
        m_openingGeneration = 0;
}

QCoro::Task<OpenAIRealtimeVoiceService::SessionOutcome>
OpenAIRealtimeVoiceService::openSession(bool isVoice, TurnTaking turns, QString apiKey,
                                        quint64 generation)
{
    const QPointer<OpenAIRealtimeVoiceService> self(this);
    const auto overtaken = [&] { return !self || generation != m_startGeneration; };

    if (isVoice) {
        const Outcome access = co_await requestMicrophoneAccess();
        if (overtaken())
            co_return SessionOutcome{.abandoned = true};
        if (!access)
            co_return SessionOutcome{.error = access.error()};
        if (const Outcome configured = configurePlayback(); !configured)
            co_return SessionOutcome{.error = configured.error()};
        // A held key listens from the moment it went down: what is said while connecting is
        // kept and sent once the session is ready.
        if (m_gate.talkHeld) {
            if (const Outcome started = startMicrophone(); !started)
                co_return SessionOutcome{.error = started.error()};
            m_gate.recording = true;
        }
    }

    const auto waiter = std::make_shared<ConnectionWaiter>();
    m_connectionContinuation = waiter;
    if (const Outcome connected = connect(apiKey); !connected) {
        m_connectionContinuation.reset();
        co_return SessionOutcome{.error = connected.error()};
    }
    apiKey.clear();
    const ConnectionWaiter::Result connected = co_await waiter->wait();
    if (overtaken() || connected.outcome == ConnectionWaiter::Outcome::abandoned)
        co_return SessionOutcome{.abandoned = true};
    if (connected.outcome == ConnectionWaiter::Outcome::failed)
        co_return SessionOutcome{.error = connected.error};

    if (const Outcome sent = sendSessionUpdate(isVoice, turns); !sent)
        co_return SessionOutcome{.error = sent.error()};
    m_gate.active = true;
    if (isVoice) {
        if (const Outcome recording = beginRecordingAfterConnect(); !recording)
            co_return SessionOutcome{.error = recording.error()};
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

Outcome OpenAIRealtimeVoiceService::connect(const QString& apiKey)
{
    const QUrl url = endpoint();
    if (url.isEmpty())
        return Outcome::failure(description(RealtimeVoiceError::invalidURL));
    if (Outcome allowed = Configuration::checkCredentialTransport(url); !allowed)
        return allowed;

    QNetworkRequest request(url);
    request.setRawHeader("Authorization", "Bearer " + apiKey.toUtf8());
    request.setRawHeader("OpenAI-Safety-Identifier", "korva-local-dev-user");

    closeConnection();
    auto* socket = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this);
    socket->setMaxAllowedIncomingMessageSize(quint64(RealtimeServerEvent::maximumTextSize));
    const quint64 id = ++m_connectionCounter;
    m_socket = socket;
    m_connectionId = id;
    m_pingSentAt.reset();
    m_lastHeard = std::chrono::steady_clock::now();

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
    QObject::connect(socket, &QWebSocket::pong, this, [this] {
        m_lastHeard = std::chrono::steady_clock::now();
        m_pingSentAt.reset();
    });
    // A server that takes the connection and never confirms the session is given up on.
    QTimer::singleShot(m_timings.sessionCreatedTimeout, socket, [this, id, socket] {
        if (!m_connectionContinuation || m_connectionId != id)
            return;
        enqueue({id,
                 {},
                 QStringLiteral("The Realtime service did not confirm the session within ") +
                     secondsText(m_timings.sessionCreatedTimeout) + u'.'});
        socket->abort();
    });
    socket->open(request);
    startPingTimer();
    return Outcome::success();
}

void OpenAIRealtimeVoiceService::startPingTimer()
{
    delete m_pingTimer.data();
    auto* timer = new QTimer(this);
    timer->setObjectName(QStringLiteral("realtimePing"));
    timer->setTimerType(Qt::PreciseTimer);
    // Checked more often than pings go out, so a silent connection is noticed soon after its
    // time is up.
    timer->setInterval(std::min(m_timings.pingInterval, m_timings.pongTimeout / 4));
    QObject::connect(timer, &QTimer::timeout, this, [this] { checkConnection(); });
    timer->start();
    m_pingTimer = timer;
}

void OpenAIRealtimeVoiceService::checkConnection()
{
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    const auto current = std::chrono::steady_clock::now();
    if (m_pingSentAt) {
        if (current - *m_pingSentAt < m_timings.pongTimeout)
            return;
        const QString message = QStringLiteral("The Realtime connection stopped answering: "
                                               "nothing arrived for ") +
                                secondsText(m_timings.pongTimeout) + u'.';
        writeLog(QStringLiteral("WebSocket ping failed: ") + message);
        enqueue({m_connectionId, {}, message});
        m_socket->abort();
        return;
    }
    if (current - m_lastHeard < m_timings.pingInterval)
        return;
    m_pingSentAt = current;
    m_socket->ping();
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
    m_gate.active = false;
    m_gate.recording = false;
    m_gate.talkHeld = false;
    m_gate.holdToTalkOnly = false;
    m_gate.bargeIn = false;
    m_gate.answerPlaying = false;
    if (holdsAudio())
        tearDownAudio();
    // Chunks captured before the teardown are dealt with now, not after it.
    m_audioQueue.drain();
    delete m_pingTimer.data();
    closeConnection();
    m_incoming.clear();
    m_incomingBytes = 0;
    // Calls the model asked for and that have not started are not carried out.
    m_toolCalls.clear();
    m_heldTurn = HeldTurn::none;
    m_preRoll.clear();
    m_preRollBytes = 0;
    m_drainTimer->stop();
    m_answer = {};
    m_responseInProgress = false;
    m_transcriptBuffer.clear();
    updateState(RealtimeVoiceState::idle);
}

Outcome OpenAIRealtimeVoiceService::sendSessionUpdate(bool isVoice, TurnTaking turns)
{
    const QString instructions = RealtimeClientEvents::instructions(QDir::homePath());
    return sendJSON(RealtimeClientEvents::sessionUpdate(isVoice, instructions, turns));
}

Outcome OpenAIRealtimeVoiceService::sendJSON(const QJsonObject& event)
{
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState)
        return Outcome::failure(description(RealtimeVoiceError::notConnected));
    m_socket->sendTextMessage(RealtimeClientEvents::text(event));
    return Outcome::success();
}

void OpenAIRealtimeVoiceService::send(const QJsonObject& event)
{
    // A connection that is gone reports itself when its end is handled.
    std::ignore = sendJSON(event);
}

void OpenAIRealtimeVoiceService::scheduleIdleDisconnect()
{
    // A tool call may wait minutes (for the person's approval, a long script), and a held key
    // is a person talking: neither is idle.
    if (m_toolCallRunning || !m_toolCalls.isEmpty() || m_gate.talkHeld)
        return;
    m_idleTimer->start(m_timings.idleDisconnect);
}

void OpenAIRealtimeVoiceService::cancelIdleDisconnect()
{
    m_idleTimer->stop();
}

} // namespace korvane
