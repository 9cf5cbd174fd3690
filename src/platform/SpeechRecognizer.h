// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AudioFormat.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace korvane {

// How one recognition is to be run.
struct SpeechRecognitionRequest {
    bool shouldReportPartialResults = true;
    // What the speech is likely to be ("search", "dictation", …); a backend may ignore it.
    QString taskHint{};
    // Phrases the recognizer should favour.
    QStringList contextualStrings{};
    bool requiresOnDeviceRecognition = false;

    friend bool operator==(const SpeechRecognitionRequest&,
                           const SpeechRecognitionRequest&) = default;
};

// The transcript so far; the last result of a recognition is final.
struct SpeechRecognitionResult {
    QString formattedString{};
    bool isFinal = false;
    // How sure the recognizer is of each word of formattedString, in order, from 0 to 1; empty
    // when it does not say.
    QList<double> wordConfidences{};

    friend bool operator==(const SpeechRecognitionResult&,
                           const SpeechRecognitionResult&) = default;
};

// One running recognition, fed with audio in the recognizer's audioFormat().
class SpeechRecognitionTask {
public:
    virtual ~SpeechRecognitionTask() = default;

    // Any thread; never blocks on decoding.
    virtual void append(const AudioBuffer& buffer) = 0;
    // No more audio follows: the recognizer finishes and delivers a final result.
    virtual void endAudio() = 0;
    // Ends the recognition. Once cancel() has returned, the handler is not called again.
    virtual void cancel() = 0;
};

// A streaming speech recognizer. Its result handler is called on the recognizer's own thread,
// with a result, an error text, or both; an error ends the recognition.
class SpeechRecognizer {
public:
    using ResultHandler = std::function<void(std::optional<SpeechRecognitionResult> result,
                                             std::optional<QString> error)>;

    virtual ~SpeechRecognizer() = default;

    // False while the recognizer cannot recognise anything (its model went away).
    virtual bool isAvailable() const = 0;
    // Why it is not available, as a sentence that says what to do; empty while it is.
    virtual QString unavailableReason() const = 0;
    virtual bool supportsOnDeviceRecognition() const = 0;
    // The PCM format append() expects.
    virtual AudioFormat audioFormat() const = 0;
    // Starts a recognition; a recognizer runs one at a time, so this ends any earlier one.
    virtual std::shared_ptr<SpeechRecognitionTask> recognitionTask(SpeechRecognitionRequest request,
                                                                   ResultHandler handler) = 0;
    // Audio appended but not yet decoded, so that a feeder of recorded audio can keep pace.
    virtual std::chrono::milliseconds backlog() const { return {}; }
};

} // namespace korvane
