// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/SpeechRecognizer.h"

#include <QList>

#include <memory>

namespace korvane::test {

// A recognizer driven by the test: the test plays the recognizer's thread by delivering
// results itself. Records every request and what happened to each task. Thread-safe.
class FakeSpeechRecognizer final : public SpeechRecognizer {
public:
    explicit FakeSpeechRecognizer(AudioFormat format = {16000, 1, AudioFormat::SampleType::int16});
    ~FakeSpeechRecognizer() override;

    void setAvailable(bool available);
    void setSupportsOnDeviceRecognition(bool supported);

    // Calls the newest task's handler on the calling thread. False (and nothing called) when
    // there is no task or it was cancelled.
    bool deliver(std::optional<SpeechRecognitionResult> result,
                 std::optional<QString> error = std::nullopt);
    bool deliverPartial(const QString& text);
    bool deliverFinal(const QString& text);
    // The newest task's handler, called even though the task may have been cancelled: a result
    // that was on its way when the task ended.
    void deliverLate(const QString& text);

    int taskCount() const;
    QList<SpeechRecognitionRequest> requests() const;
    // The newest task exists and has not been cancelled.
    bool hasLiveTask() const;
    // Over all tasks.
    int appendedBufferCount() const;
    QList<AudioFormat> appendedFormats() const;
    int endAudioCount() const;

    bool isAvailable() const override;
    QString unavailableReason() const override;
    // What unavailableReason() says while the recognizer is unavailable.
    static QString unavailableSentence();
    bool supportsOnDeviceRecognition() const override;
    AudioFormat audioFormat() const override;
    std::shared_ptr<SpeechRecognitionTask> recognitionTask(SpeechRecognitionRequest request,
                                                           ResultHandler handler) override;

    struct State;

private:
    std::shared_ptr<State> m_state;
};

} // namespace korvane::test
