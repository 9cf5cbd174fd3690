// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Outcome.h"
#include "platform/AudioConverter.h"
#include "speech/WakeWordListener.h"

#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>

namespace korvane {

class AudioCaptureDevice;
class SpeechRecognizer;

// Listens to the microphone through a speech recognizer, looks for a wake phrase in every
// transcript and reports the words after it. Recognition state lives on the serial worker
// thread "com.korva.Korvane.wake-word"; signals are emitted on the thread that made the
// service. After a wake the service stays stopped until start() is called again. A failure is
// reported once, not again on every start, until listening has worked in between.
class WakeWordVoiceService final : public WakeWordListener {
    Q_OBJECT

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
    // Calls `done` on the owner's thread once everything already handed to the service,
    // results on their way included, has been handled and reported.
    void afterPendingWork(std::function<void()> done);

    static QStringList defaultWakePhrases();
    // Given to every recognition request.
    static QStringList contextualStrings();
    static QString noMicrophoneMessage();
    static QString microphoneFailedMessage(const QString& reason);
    static QString noRecognizerMessage();
    // The words after the phrase count as heard clearly when the recognizer is at least this
    // sure of each of them.
    static constexpr double clearWordConfidence = 0.5;
    // The frames of each captured buffer.
    static constexpr int tapBufferFrames = 1024;

    struct Core;

Q_SIGNALS:
    // Every transcript the recognizer delivers, partial or final, as it came.
    void heard(const QString& text, bool isFinal);

private:
    void reportError(const QString& message);

    std::shared_ptr<Core> m_core;
    // On the owner's thread: the failure last reported, until listening starts again.
    QString m_reportedError;
};

} // namespace korvane
