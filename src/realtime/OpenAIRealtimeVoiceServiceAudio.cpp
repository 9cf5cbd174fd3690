#include "realtime/OpenAIRealtimeVoiceService.h"
#include "realtime/RealtimeClientEvents.h"
#include "realtime/RealtimeVoiceError.h"

namespace korvane {

namespace {

// The wire format both ways: 24 kHz mono 16-bit PCM.
constexpr AudioFormat wireFormat{24000, 1, AudioFormat::SampleType::int16};
constexpr int tapBufferFrames = 2048;

} // namespace

QCoro::Task<std::optional<QString>> OpenAIRealtimeVoiceService::requestMicrophoneAccess()
{
    const std::shared_ptr<AudioCaptureDevice> capture = m_devices.capture;
    const bool granted = capture ? co_await capture->requestAccess() : false;
    if (!granted)
        co_return description(RealtimeVoiceError::microphoneDenied);
    co_return std::nullopt;
}

std::optional<QString> OpenAIRealtimeVoiceService::configurePlayback()
{
    AudioPlaybackDevice* playback = m_devices.playback.get();
    if (!playback)
        return std::nullopt;
    if (std::optional<QString> error = playback->configure(wireFormat))
        return error;
    m_outputFormat = wireFormat;
    if (!playback->isEngineRunning()) {
        if (std::optional<QString> error = playback->startEngine())
            return error;
    }
    if (!playback->isPlayerPlaying())
        playback->startPlayer();
    return std::nullopt;
}

std::optional<QString> OpenAIRealtimeVoiceService::beginRecordingAfterConnect()
{
    m_transcriptBuffer.clear();
    m_didExecuteComputerUseForCurrentResponse = false;
    // Drops whatever of an earlier answer is still queued.
    if (AudioPlaybackDevice* playback = m_devices.playback.get()) {
        playback->stopPlayer();
        playback->startPlayer();
    }
    if (std::optional<QString> error = sendJSON(RealtimeClientEvents::inputAudioBufferClear()))
        return error;
    if (std::optional<QString> error = startMicrophone())
        return error;
    m_isRecording = true;
    updateState(RealtimeVoiceState::recording);
    return std::nullopt;
}

std::optional<QString> OpenAIRealtimeVoiceService::startMicrophone()
{
    AudioCaptureDevice* capture = m_devices.capture.get();
    if (!capture)
        return description(RealtimeVoiceError::microphoneDenied);
    const AudioFormat inputFormat = capture->inputFormat();
    std::shared_ptr<AudioConverter> converter;
    if (m_devices.converterFactory)
        converter = m_devices.converterFactory(inputFormat, wireFormat);
    if (!converter)
        return description(RealtimeVoiceError::audioConversionUnavailable);

    capture->removeTap();
    // Runs on the capture thread. The service outlives every call: its destructor and each
    // teardown remove the tap and stop the device, which waits for a call under way.
    capture->installTap(tapBufferFrames, [this, converter](const AudioBuffer& buffer) {
        // Checked before converting, so audio held back costs nothing.
        if (!m_isActive || !m_isRecording || m_isSpeaking)
            return;
        QByteArray bytes = converter->convert(buffer);
        if (bytes.isEmpty())
            return;
        m_audioQueue.push(std::move(bytes));
    });
    m_tapInstalled = true;
    if (std::optional<QString> error = capture->start())
        return error;
    m_isMicrophoneActive = true;
    return std::nullopt;
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
    if (!m_isActive || !m_isRecording || m_isSpeaking)
        return;
    // A failed send of one chunk is not worth a word: the next one follows 43 ms later.
    sendJSON(RealtimeClientEvents::inputAudioBufferAppend(bytes));
}

void OpenAIRealtimeVoiceService::play(const QByteArray& bytes)
{
    AudioPlaybackDevice* playback = m_devices.playback.get();
    if (!m_outputFormat || !playback)
        return;
    const qsizetype frames = bytes.size() / m_outputFormat->bytesPerFrame();
    if (frames == 0)
        return;
    if (!playback->isEngineRunning())
        playback->startEngine();
    if (!playback->isPlayerPlaying())
        playback->startPlayer();
    playback->schedule(bytes.first(frames * m_outputFormat->bytesPerFrame()));
}

QCoro::Task<> OpenAIRealtimeVoiceService::setVoiceMode(bool enabled)
{
    const QPointer<OpenAIRealtimeVoiceService> self(this);
    if (enabled) {
        m_isVoiceSession = true;
        const std::optional<QString> denied = co_await requestMicrophoneAccess();
        if (!self)
            co_return;
        if (denied) {
            fail(*denied);
            co_return;
        }
        if (const std::optional<QString> error = configurePlayback()) {
            fail(*error);
            co_return;
        }
        if (const std::optional<QString> error = startMicrophone()) {
            fail(*error);
            co_return;
        }
        m_isRecording = true;
        if (const std::optional<QString> error = sendSessionUpdate(true)) {
            fail(*error);
            co_return;
        }
        updateState(RealtimeVoiceState::recording);
        co_return;
    }

    m_isVoiceSession = false;
    m_isRecording = false;
    if (m_isMicrophoneActive)
        tearDownAudio();
    if (const std::optional<QString> error = sendSessionUpdate(false)) {
        fail(*error);
        co_return;
    }
    updateState(RealtimeVoiceState::idle);
}

} // namespace korvane
