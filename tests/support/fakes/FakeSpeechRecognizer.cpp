// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakeSpeechRecognizer.h"

#include <QMutex>
#include <QMutexLocker>

namespace korvane::test {

struct FakeSpeechRecognizer::State {
    struct Task {
        ResultHandler handler;
        bool cancelled = false;
    };

    QMutex mutex;
    QList<Task> tasks;
    QList<AudioFormat> appendedFormats;
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
        const QMutexLocker lock(&m_state->mutex);
        if (!m_state->tasks[m_index].cancelled)
            m_state->appendedFormats.append(buffer.format);
    }

    void endAudio() override {}

    void cancel() override
    {
        const QMutexLocker lock(&m_state->mutex);
        m_state->tasks[m_index].cancelled = true;
    }

private:
    std::shared_ptr<FakeSpeechRecognizer::State> m_state;
    qsizetype m_index;
};

} // namespace

FakeSpeechRecognizer::FakeSpeechRecognizer(AudioFormat format)
    : m_format(format)
    , m_state(std::make_shared<State>())
{
}

void FakeSpeechRecognizer::deliver(std::optional<SpeechRecognitionResult> result,
                                   std::optional<QString> error)
{
    ResultHandler handler;
    {
        const QMutexLocker lock(&m_state->mutex);
        if (m_state->tasks.isEmpty())
            return;
        handler = m_state->tasks.last().handler;
    }
    handler(std::move(result), std::move(error));
}

bool FakeSpeechRecognizer::hasLiveTask() const
{
    const QMutexLocker lock(&m_state->mutex);
    return !m_state->tasks.isEmpty() && !m_state->tasks.last().cancelled;
}

QList<AudioFormat> FakeSpeechRecognizer::appendedFormats() const
{
    const QMutexLocker lock(&m_state->mutex);
    return m_state->appendedFormats;
}

std::shared_ptr<SpeechRecognitionTask>
FakeSpeechRecognizer::recognitionTask(SpeechRecognitionRequest, ResultHandler handler)
{
    const QMutexLocker lock(&m_state->mutex);
    // One recognition at a time, as the real recognizers run.
    if (!m_state->tasks.isEmpty())
        m_state->tasks.last().cancelled = true;
    m_state->tasks.append(State::Task{std::move(handler)});
    return std::make_shared<FakeTask>(m_state, m_state->tasks.size() - 1);
}

} // namespace korvane::test
