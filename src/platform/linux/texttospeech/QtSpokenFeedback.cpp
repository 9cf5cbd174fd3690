#include "platform/linux/texttospeech/QtSpokenFeedback.h"

#include <QLoggingCategory>
#include <QMetaObject>
#include <QTextToSpeech>

namespace korvane {

Q_LOGGING_CATEGORY(lcSpokenFeedback, "korvane.speech.feedback")

QtSpokenFeedback::QtSpokenFeedback(QObject* parent)
    : QObject(parent)
    , m_synthesizer(new QTextToSpeech(this))
{
    connect(m_synthesizer, &QTextToSpeech::stateChanged, this,
            [this](QTextToSpeech::State state) { stateChanged(int(state)); });
}

QtSpokenFeedback::~QtSpokenFeedback() = default;

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
