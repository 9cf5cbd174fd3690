#pragma once

#include "platform/AudioConverter.h"
#include "speech/WakeWordListener.h"

#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>

class QObject;

namespace korvane {

class AudioCaptureDevice;
class SpeechRecognizer;

// Listens to the microphone through a speech recognizer, looks for a wake phrase in every
// transcript and hands the words after it to onWake. Recognition state lives on the serial
// worker thread "com.korva.Korvane.wake-word"; callbacks arrive on the thread that made the
// service. After a wake the service stays stopped until start() is called again.
class WakeWordVoiceService final : public WakeWordListener {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    struct Dependencies {
        std::shared_ptr<AudioCaptureDevice> capture{};
        // Converts the capture's format to the recognizer's.
        AudioConverterFactory converterFactory{};
        // Null when no recognizer exists for the locale: audio is captured, nothing recognised.
        std::shared_ptr<SpeechRecognizer> recognizer{};
        // Empty: the steady clock.
        Clock clock{};
        std::chrono::milliseconds restartDelay{100};
    };

    explicit WakeWordVoiceService(Dependencies dependencies);
    ~WakeWordVoiceService() override;
    Q_DISABLE_COPY_MOVE(WakeWordVoiceService)

    void start() override;
    void stop() override;

    QStringList wakePhrases() const;

    static QStringList defaultWakePhrases();
    // Given to every recognition request.
    static QStringList contextualStrings();
    static QString permissionMessage();
    // The frames of each captured buffer.
    static constexpr int tapBufferFrames = 1024;

    struct Core;

private:
    std::shared_ptr<Core> m_core;
    // Lives on the owner's thread; callbacks posted to it die with the service.
    QObject* m_mainContext = nullptr;
};

} // namespace korvane
