// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/OpenAIRealtimeVoiceService.h"
#include "realtime/RealtimeClientEvents.h"
#include "realtime/RealtimeVoiceError.h"

#include <algorithm>
#include <utility>

namespace korvane {

namespace {

// The wire format both ways: 24 kHz mono 16-bit PCM.
constexpr AudioFormat wireFormat{24000, 1, AudioFormat::SampleType::int16};
constexpr int tapBufferFrames = 2048;
constexpr qint64 wireBytesPerSecond = 24000 * 2;
// The server refuses to commit less than 100 ms of audio.
constexpr qint64 minimumCommitBytes = wireBytesPerSecond / 10;
// What a held key keeps while the session connects: more than any connection takes.
constexpr qsizetype preRollLimitBytes = 30 * wireBytesPerSecond;

using RealtimeClientEvents::TurnTaking;

} // namespace

QCoro::Task<Outcome> OpenAIRealtimeVoiceService::requestMicrophoneAccess()
{
    const std::shared_ptr<AudioCaptureDevice> capture = m_devices.capture;
    const bool granted = capture ? co_await capture->requestAccess() : false;
    if (!granted)
        co_return Outcome::failure(description(RealtimeVoiceError::microphoneDenied));
    co_return Outcome::success();
}

Outcome OpenAIRealtimeVoiceService::configurePlayback()
{
    AudioPlaybackDevice* playback = m_devices.playback.get();
    if (!playback)
        return Outcome::success();
    if (Outcome configured = playback->configure(wireFormat); !configured)
        return configured;
    m_outputFormat = wireFormat;
    if (!playback->isEngineRunning()) {
        if (Outcome started = playback->startEngine(); !started)
            return started;
    }
    if (!playback->isPlayerPlaying())
        playback->startPlayer();
    return Outcome::success();
}

Outcome OpenAIRealtimeVoiceService::beginRecordingAfterConnect()
{
    m_transcriptBuffer.clear();
    m_didExecuteComputerUseForCurrentResponse = false;
    // Drops whatever of an earlier answer is still queued: nothing of it plays any more.
    if (AudioPlaybackDevice* playback = m_devices.playback.get()) {
        playback->stopPlayer();
        playback->startPlayer();
    }
    m_gate.answerPlaying = false;
    m_drainTimer->stop();
    if (Outcome sent = sendJSON(RealtimeClientEvents::inputAudioBufferClear()); !sent)
        return sent;
    if (!m_isMicrophoneActive) {
        if (Outcome started = startMicrophone(); !started)
            return started;
    }
    const bool echoCancelled = m_devices.capture && m_devices.playback &&
                               m_devices.capture->isEchoCancelled() &&
                               m_devices.playback->isEchoCancelled();
    const bool allowed = !m_bargeInAllowed || m_bargeInAllowed();
    m_gate.bargeIn = echoCancelled && allowed;
    writeLog(QStringLiteral("Microphone through echo cancellation: %1; interrupting by voice: %2")
                 .arg(echoCancelled ? u"yes"_qs : u"no"_qs, m_gate.bargeIn ? u"on"_qs : u"off"_qs));
    m_gate.recording = true;
    updateState(RealtimeVoiceState::recording);

    // What a held key captured while connecting goes first, even when the key is already up.
    for (const QByteArray& chunk : std::exchange(m_preRoll, {})) {
        m_heldTurnBytes += chunk.size();
        send(RealtimeClientEvents::inputAudioBufferAppend(chunk));
    }
    m_preRollBytes = 0;
    if (m_heldTurn != HeldTurn::none && !m_gate.holdToTalkOnly)
        send(RealtimeClientEvents::turnTakingUpdate(TurnTaking::heldKey));
    if (m_heldTurn == HeldTurn::released)
        finishHeldTurn();
    return Outcome::success();
}

Outcome OpenAIRealtimeVoiceService::startMicrophone()
{
    AudioCaptureDevice* capture = m_devices.capture.get();
    if (!capture)
        return Outcome::failure(description(RealtimeVoiceError::microphoneDenied));
    const AudioFormat inputFormat = capture->inputFormat();
    std::shared_ptr<AudioConverter> converter;
    if (m_devices.converterFactory)
        converter = m_devices.converterFactory(inputFormat, wireFormat);
    if (!converter)
        return Outcome::failure(description(RealtimeVoiceError::audioConversionUnavailable));

    capture->removeTap();
    // Runs on the capture thread. The service outlives every call: its destructor and each
    // teardown remove the tap and stop the device, which waits for a call under way.
    capture->installTap(tapBufferFrames, [this, converter](const AudioBuffer& buffer) {
        // Checked before converting, so audio held back costs nothing.
        if (!m_gate.admits())
            return;
        QByteArray bytes = converter->convert(buffer);
        if (bytes.isEmpty())
            return;
        m_audioQueue.push(std::move(bytes));
    });
    m_tapInstalled = true;
    if (Outcome started = capture->start(); !started)
        return started;
    m_isMicrophoneActive = true;
    return Outcome::success();
}

bool OpenAIRealtimeVoiceService::holdsAudio() const
{
    // The speaker counts too: a voice start opens it before the connection exists.
    const AudioPlaybackDevice* playback = m_devices.playback.get();
    return m_isMicrophoneActive || m_tapInstalled || (playback && playback->isEngineRunning());
}

void OpenAIRealtimeVoiceService::tearDownAudio()
{
    if (AudioCaptureDevice* capture = m_devices.capture.get()) {
        capture->removeTap();
        capture->stop();
    }
    m_tapInstalled = false;
    if (AudioPlaybackDevice* playback = m_devices.playback.get()) {
        playback->stopPlayer();
        playback->stopEngine();
    }
    m_isMicrophoneActive = false;
}

void OpenAIRealtimeVoiceService::sendAudioData(QByteArray bytes)
{
    if (!m_gate.admits())
        return;
    if (!m_gate.active) {
        // Only a held key lets audio through before the session is ready.
        if (m_preRollBytes + bytes.size() <= preRollLimitBytes) {
            m_preRollBytes += bytes.size();
            m_preRoll.append(std::move(bytes));
        }
        return;
    }
    if (m_gate.talkHeld)
        m_heldTurnBytes += bytes.size();
    // A failed send of one chunk is not worth a word: the next one follows 43 ms later.
    send(RealtimeClientEvents::inputAudioBufferAppend(bytes));
}

void OpenAIRealtimeVoiceService::play(const QByteArray& bytes)
{
    AudioPlaybackDevice* playback = m_devices.playback.get();
    if (!m_outputFormat || !playback)
        return;
    const qsizetype frames = bytes.size() / m_outputFormat->bytesPerFrame();
    if (frames == 0)
        return;
    if (!playback->isEngineRunning()) {
        if (const Outcome started = playback->startEngine(); !started)
            writeLog(QStringLiteral("Playback did not restart: ") + started.error());
    }
    if (!playback->isPlayerPlaying())
        playback->startPlayer();
    playback->schedule(bytes.first(frames * m_outputFormat->bytesPerFrame()));
}

void OpenAIRealtimeVoiceService::handleAudioDelta(const RealtimeServerEvent::AudioDelta& audio)
{
    if (!m_isVoiceSession || !audio.delta)
        return;
    const QByteArray::FromBase64Result decoded = QByteArray::fromBase64Encoding(
        audio.delta->toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return;
    const QString itemId = audio.itemId.value_or(QString());
    // The rest of an answer the person interrupted is never played.
    if (!itemId.isEmpty() && itemId == m_answer.truncatedItemId)
        return;
    if (itemId != m_answer.itemId)
        m_answer = {itemId, audio.contentIndex.value_or(0), 0, m_answer.truncatedItemId};
    m_answer.receivedBytes += decoded.decoded.size() - decoded.decoded.size() % 2;
    const bool wasPlaying = m_gate.answerPlaying.exchange(true);
    play(*decoded);
    if (!wasPlaying)
        updateState(RealtimeVoiceState::speaking);
}

void OpenAIRealtimeVoiceService::watchPlaybackDrain()
{
    m_drainedSince.reset();
    m_drainTimer->start();
    checkPlaybackDrained();
}

void OpenAIRealtimeVoiceService::checkPlaybackDrained()
{
    // A response under way may still send audio: a gap in it is no end.
    const bool pending = m_responseInProgress ||
                         (m_devices.playback && m_devices.playback->pendingDuration().count() > 0);
    if (pending) {
        m_drainedSince.reset();
        return;
    }
    const auto current = std::chrono::steady_clock::now();
    if (!m_drainedSince)
        m_drainedSince = current;
    if (current - *m_drainedSince >= m_timings.echoTail)
        answerPlayedOut();
}

void OpenAIRealtimeVoiceService::answerPlayedOut()
{
    m_drainTimer->stop();
    m_gate.answerPlaying = false;
    if (m_gate.active && m_isVoiceSession)
        updateState(RealtimeVoiceState::recording);
}

void OpenAIRealtimeVoiceService::interruptAnswer()
{
    AudioPlaybackDevice* playback = m_devices.playback.get();
    const std::chrono::milliseconds unheard =
        playback ? playback->pendingDuration() : std::chrono::milliseconds(0);
    // Stops at once: everything queued is dropped.
    if (playback) {
        playback->stopPlayer();
        playback->startPlayer();
    }
    m_drainTimer->stop();
    m_gate.answerPlaying = false;
    // The service forgets what was never heard, so the conversation goes on from what was.
    if (!m_answer.itemId.isEmpty() && m_answer.itemId != m_answer.truncatedItemId) {
        const qint64 receivedMs = m_answer.receivedBytes * 1000 / wireBytesPerSecond;
        const qint64 heardMs = std::clamp<qint64>(receivedMs - unheard.count(), 0, receivedMs);
        send(RealtimeClientEvents::conversationItemTruncate(m_answer.itemId, m_answer.contentIndex,
                                                            heardMs));
        m_answer.truncatedItemId = m_answer.itemId;
    }
    updateState(RealtimeVoiceState::recording);
}

// MARK: - Hold to talk

void OpenAIRealtimeVoiceService::beginHeldTurn()
{
    if (m_heldTurn == HeldTurn::held)
        return;
    // A held key always means a spoken turn: a text-only session gives way to a voice one.
    const bool listening = m_gate.active && m_isVoiceSession;
    if (m_gate.active && !m_isVoiceSession)
        stopNow();
    m_heldTurn = HeldTurn::held;
    m_heldTurnBytes = 0;
    m_gate.talkHeld = true;
    cancelIdleDisconnect();
    if (isConnecting())
        return;
    if (!listening) {
        QCoro::connect(startSession(true, TurnTaking::heldKey), this, [] {});
        return;
    }
    // Pressing the key is interrupting: no echo cancellation is needed for it.
    if (m_gate.answerPlaying)
        interruptAnswer();
    if (!m_gate.holdToTalkOnly)
        send(RealtimeClientEvents::turnTakingUpdate(TurnTaking::heldKey));
    send(RealtimeClientEvents::inputAudioBufferClear());
}

void OpenAIRealtimeVoiceService::endHeldTurn()
{
    if (m_heldTurn != HeldTurn::held)
        return;
    // Chunks captured while the key was down still belong to the turn.
    m_audioQueue.drain();
    m_gate.talkHeld = false;
    if (m_gate.active)
        finishHeldTurn();
    else if (isConnecting())
        m_heldTurn = HeldTurn::released;
    else
        m_heldTurn = HeldTurn::none;
}

void OpenAIRealtimeVoiceService::finishHeldTurn()
{
    m_heldTurn = HeldTurn::none;
    // Too short to be speech: the server would refuse to commit it.
    if (m_heldTurnBytes >= minimumCommitBytes) {
        send(RealtimeClientEvents::inputAudioBufferCommit());
        send(RealtimeClientEvents::responseCreate());
    } else {
        send(RealtimeClientEvents::inputAudioBufferClear());
    }
    if (!m_gate.holdToTalkOnly)
        send(RealtimeClientEvents::turnTakingUpdate(TurnTaking::serverDetected));
    scheduleIdleDisconnect();
}

QCoro::Task<> OpenAIRealtimeVoiceService::setVoiceMode(bool enabled)
{
    const QPointer<OpenAIRealtimeVoiceService> self(this);
    if (enabled) {
        m_isVoiceSession = true;
        const Outcome access = co_await requestMicrophoneAccess();
        if (!self)
            co_return;
        if (!access) {
            fail(access.error());
            co_return;
        }
        if (const Outcome configured = configurePlayback(); !configured) {
            fail(configured.error());
            co_return;
        }
        if (const Outcome started = startMicrophone(); !started) {
            fail(started.error());
            co_return;
        }
        m_gate.recording = true;
        const TurnTaking turns =
            m_gate.holdToTalkOnly ? TurnTaking::heldKey : TurnTaking::serverDetected;
        if (const Outcome sent = sendSessionUpdate(true, turns); !sent) {
            fail(sent.error());
            co_return;
        }
        updateState(RealtimeVoiceState::recording);
        co_return;
    }

    m_isVoiceSession = false;
    m_gate.recording = false;
    if (m_isMicrophoneActive)
        tearDownAudio();
    if (const Outcome sent = sendSessionUpdate(false, TurnTaking::serverDetected); !sent) {
        fail(sent.error());
        co_return;
    }
    updateState(RealtimeVoiceState::idle);
}

} // namespace korvane
