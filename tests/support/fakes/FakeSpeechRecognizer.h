// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/SpeechRecognizer.h"

#include <QList>

#include <atomic>
#include <memory>

namespace korvane::test {

// A recognizer driven by the test: the test plays the recognizer's thread by delivering
// results itself.
class FakeSpeechRecognizer final : public SpeechRecognizer {
public:
    // What unavailableReason() says while the recognizer is unavailable.
    static inline const QString missingModel = QStringLiteral("The fake speech model is missing.");

    explicit FakeSpeechRecognizer(AudioFormat format);

    void setAvailable(bool available) { m_available = available; }

    // Calls the newest task's handler on the calling thread, even when that task was cancelled:
    // a result may be on its way when a recognition ends.
    void deliver(std::optional<SpeechRecognitionResult> result,
                 std::optional<QString> error = std::nullopt);
    void deliverFinal(const QString& text) { deliver(SpeechRecognitionResult{text, true}); }

    // The newest task exists and has not been cancelled.
    bool hasLiveTask() const;
    // The format of every buffer appended to a live task.
    QList<AudioFormat> appendedFormats() const;

    bool isAvailable() const override { return m_available; }
    QString unavailableReason() const override { return m_available ? QString() : missingModel; }
    bool supportsOnDeviceRecognition() const override { return true; }
    AudioFormat audioFormat() const override { return m_format; }
    std::shared_ptr<SpeechRecognitionTask> recognitionTask(SpeechRecognitionRequest request,
                                                           ResultHandler handler) override;

    struct State;

private:
    const AudioFormat m_format;
    std::atomic<bool> m_available = true;
    std::shared_ptr<State> m_state;
};

} // namespace korvane::test
