// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "speech/SpokenFeedback.h"

#include <QFuture>
#include <QObject>
#include <QString>

class QTextToSpeech;

namespace korvane {

// Reads texts aloud with Qt TextToSpeech (the desktop's default engine, speech-dispatcher on
// Linux). Main thread only. A completion belongs to its own utterance: cutting an utterance
// off never runs or clears the completion of the one that replaced it.
class QtSpokenFeedback final : public QObject, public SpokenFeedback {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QtSpokenFeedback)

public:
    explicit QtSpokenFeedback(QObject* parent = nullptr);
    ~QtSpokenFeedback() override;

    void speak(QString text, std::function<void()> completion) override;

private:
    void adopt(QTextToSpeech* synthesizer);
    void stateChanged(int state);
    void complete();

    // Null until the engine has connected to the speech service (off the main thread).
    QTextToSpeech* m_synthesizer = nullptr;
    QFuture<QTextToSpeech*> m_loading;
    // The newest request made before the engine was ready.
    QString m_pendingText;
    std::function<void()> m_completion;
    // Cut-off utterances whose end notice is still to come.
    int m_cutOff = 0;
    bool m_waiting = false;
};

} // namespace korvane
