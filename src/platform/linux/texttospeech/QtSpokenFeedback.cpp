// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/texttospeech/QtSpokenFeedback.h"

#include <QFutureWatcher>
#include <QLoggingCategory>
#include <QMetaObject>
#include <QTextToSpeech>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

namespace korvane {

Q_LOGGING_CATEGORY(lcSpokenFeedback, "korvane.speech.feedback")

QtSpokenFeedback::QtSpokenFeedback(QObject* parent)
    : QObject(parent)
{
    // Connecting to speech-dispatcher takes seconds: it happens on a pool thread, and the
    // engine then moves to this object's thread, so the window never waits for it.
    QThread* home = thread();
    m_loading = QtConcurrent::run([home] {
        auto* synthesizer = new QTextToSpeech;
        synthesizer->moveToThread(home);
        return synthesizer;
    });
    auto* watcher = new QFutureWatcher<QTextToSpeech*>(this);
    connect(watcher, &QFutureWatcher<QTextToSpeech*>::finished, this, [this, watcher] {
        watcher->deleteLater();
        adopt(m_loading.result());
    });
    watcher->setFuture(m_loading);
}

QtSpokenFeedback::~QtSpokenFeedback()
{
    // An engine still loading is deleted once it exists; it has no parent yet.
    if (!m_synthesizer) {
        m_loading.waitForFinished();
        delete m_loading.result();
    }
}

void QtSpokenFeedback::adopt(QTextToSpeech* synthesizer)
{
    m_synthesizer = synthesizer;
    m_synthesizer->setParent(this);
    connect(m_synthesizer, &QTextToSpeech::stateChanged, this,
            [this](QTextToSpeech::State state) { stateChanged(int(state)); });
    if (m_waiting && !m_pendingText.isEmpty())
        speak(std::exchange(m_pendingText, QString()), std::exchange(m_completion, nullptr));
}

void QtSpokenFeedback::speak(QString text, std::function<void()> completion)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        if (completion)
            completion();
        return;
    }
    m_completion = std::move(completion);
    m_waiting = true;
    if (!m_synthesizer) {
        m_pendingText = trimmed;
        return;
    }
    if (m_synthesizer->state() == QTextToSpeech::Error) {
        // Never leave the caller waiting for speech that cannot come.
        qCDebug(lcSpokenFeedback) << "No speech engine or voice:" << m_synthesizer->errorString()
                                  << "- completing at once";
        QMetaObject::invokeMethod(this, &QtSpokenFeedback::complete, Qt::QueuedConnection);
        return;
    }
    if (m_synthesizer->state() == QTextToSpeech::Speaking) {
        ++m_cutOff;
        m_synthesizer->stop(QTextToSpeech::BoundaryHint::Immediate);
    }
    m_synthesizer->setRate(0.0);
    m_synthesizer->say(trimmed);
}

void QtSpokenFeedback::stateChanged(int state)
{
    switch (QTextToSpeech::State(state)) {
    case QTextToSpeech::Speaking:
        // The newest utterance has begun; notices of older ones came before this.
        m_cutOff = 0;
        break;
    case QTextToSpeech::Ready:
        if (m_cutOff > 0) {
            --m_cutOff;
            break;
        }
        complete();
        break;
    case QTextToSpeech::Error:
        qCDebug(lcSpokenFeedback) << "Speech failed:" << m_synthesizer->errorString();
        m_cutOff = 0;
        complete();
        break;
    default:
        break;
    }
}

void QtSpokenFeedback::complete()
{
    if (!m_waiting)
        return;
    m_waiting = false;
    const std::function<void()> completion = std::exchange(m_completion, nullptr);
    if (completion)
        completion();
}

} // namespace korvane
