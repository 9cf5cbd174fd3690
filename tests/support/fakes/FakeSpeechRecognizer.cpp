// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakeSpeechRecognizer.h"

#include <QMutex>
#include <QMutexLocker>

namespace korvane::test {

struct FakeSpeechRecognizer::State {
    struct TaskRecord {
        ResultHandler handler{};
        bool cancelled = false;
    };

    mutable QMutex mutex;
    AudioFormat format{};
    bool available = true;
    bool onDevice = true;
    QList<SpeechRecognitionRequest> requests;
    QList<TaskRecord> tasks;
    QList<AudioFormat> appendedFormats;
    int endAudioCount = 0;
};

namespace {

class FakeTask final : public SpeechRecognitionTask {
public:
    FakeTask(std::shared_ptr<FakeSpeechRecognizer::State> state, qsizetype index)
        : m_state(std::move(state))
        , m_index(index)
    {
    }

    void append(const AudioBuffer& buffer) override
    {
        QMutexLocker lock(&m_state->mutex);
        if (!m_state->tasks[m_index].cancelled)
            m_state->appendedFormats.append(buffer.format);
    }

    void endAudio() override
    {
        QMutexLocker lock(&m_state->mutex);
        ++m_state->endAudioCount;
    }

    void cancel() override
    {
        QMutexLocker lock(&m_state->mutex);
        m_state->tasks[m_index].cancelled = true;
    }

private:
    std::shared_ptr<FakeSpeechRecognizer::State> m_state;
    qsizetype m_index;
};

} // namespace

FakeSpeechRecognizer::FakeSpeechRecognizer(AudioFormat format)
    : m_state(std::make_shared<State>())
{
    m_state->format = format;
}

FakeSpeechRecognizer::~FakeSpeechRecognizer() = default;

void FakeSpeechRecognizer::setAvailable(bool available)
{
    QMutexLocker lock(&m_state->mutex);
    m_state->available = available;
}

void FakeSpeechRecognizer::setSupportsOnDeviceRecognition(bool supported)
{
    QMutexLocker lock(&m_state->mutex);
    m_state->onDevice = supported;
}

bool FakeSpeechRecognizer::deliver(std::optional<SpeechRecognitionResult> result,
                                   std::optional<QString> error)
{
    ResultHandler handler;
    {
        QMutexLocker lock(&m_state->mutex);
        if (m_state->tasks.isEmpty() || m_state->tasks.last().cancelled)
            return false;
        handler = m_state->tasks.last().handler;
    }
    if (handler)
        handler(std::move(result), std::move(error));
    return true;
}

bool FakeSpeechRecognizer::deliverPartial(const QString& text)
{
    return deliver(SpeechRecognitionResult{text, false});
}

bool FakeSpeechRecognizer::deliverFinal(const QString& text)
{
    return deliver(SpeechRecognitionResult{text, true});
}

void FakeSpeechRecognizer::deliverLate(const QString& text)
{
    ResultHandler handler;
    {
        QMutexLocker lock(&m_state->mutex);
        if (m_state->tasks.isEmpty())
            return;
        handler = m_state->tasks.last().handler;
    }
    if (handler)
        handler(SpeechRecognitionResult{text, false}, std::nullopt);
}

int FakeSpeechRecognizer::taskCount() const
{
    QMutexLocker lock(&m_state->mutex);
    return int(m_state->tasks.size());
}

QList<SpeechRecognitionRequest> FakeSpeechRecognizer::requests() const
{
    QMutexLocker lock(&m_state->mutex);
    return m_state->requests;
}

bool FakeSpeechRecognizer::hasLiveTask() const
{
    QMutexLocker lock(&m_state->mutex);
    return !m_state->tasks.isEmpty() && !m_state->tasks.last().cancelled;
}

int FakeSpeechRecognizer::appendedBufferCount() const
{
    QMutexLocker lock(&m_state->mutex);
    return int(m_state->appendedFormats.size());
}

QList<AudioFormat> FakeSpeechRecognizer::appendedFormats() const
{
    QMutexLocker lock(&m_state->mutex);
    return m_state->appendedFormats;
}

int FakeSpeechRecognizer::endAudioCount() const
{
    QMutexLocker lock(&m_state->mutex);
    return m_state->endAudioCount;
}

bool FakeSpeechRecognizer::isAvailable() const
{
    QMutexLocker lock(&m_state->mutex);
    return m_state->available;
}

QString FakeSpeechRecognizer::unavailableReason() const
{
    return isAvailable() ? QString() : unavailableSentence();
}

QString FakeSpeechRecognizer::unavailableSentence()
{
    return QStringLiteral("The fake speech model is missing.");
}

bool FakeSpeechRecognizer::supportsOnDeviceRecognition() const
{
    QMutexLocker lock(&m_state->mutex);
    return m_state->onDevice;
}

AudioFormat FakeSpeechRecognizer::audioFormat() const
{
    QMutexLocker lock(&m_state->mutex);
    return m_state->format;
}

std::shared_ptr<SpeechRecognitionTask>
FakeSpeechRecognizer::recognitionTask(SpeechRecognitionRequest request, ResultHandler handler)
{
    QMutexLocker lock(&m_state->mutex);
    // One recognition at a time, as the real recognizers run.
    if (!m_state->tasks.isEmpty())
        m_state->tasks.last().cancelled = true;
    m_state->requests.append(std::move(request));
    m_state->tasks.append(State::TaskRecord{std::move(handler), false});
    return std::make_shared<FakeTask>(m_state, m_state->tasks.size() - 1);
}

} // namespace korvane::test
