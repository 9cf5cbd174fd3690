// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakeAudioConverter.h"

#include <QMutexLocker>

namespace korvane::test {

struct FakeAudioConverterFactory::State {
    QMutex mutex;
    bool available = true;
    Transform transform;
    QList<AudioFormat> sources;
    QList<AudioFormat> targets;
    int convertCount = 0;
};

namespace {

class FakeAudioConverter final : public AudioConverter {
public:
    FakeAudioConverter(std::shared_ptr<FakeAudioConverterFactory::State> state, AudioFormat source,
                       AudioFormat target)
        : m_state(std::move(state))
        , m_source(source)
        , m_target(target)
    {
    }

    AudioFormat sourceFormat() const override { return m_source; }
    AudioFormat targetFormat() const override { return m_target; }

    QByteArray convert(const AudioBuffer& buffer) override
    {
        FakeAudioConverterFactory::Transform transform;
        {
            const QMutexLocker lock(&m_state->mutex);
            ++m_state->convertCount;
            transform = m_state->transform;
        }
        return transform ? transform(buffer) : buffer.data;
    }

private:
    std::shared_ptr<FakeAudioConverterFactory::State> m_state;
    AudioFormat m_source;
    AudioFormat m_target;
};

} // namespace

FakeAudioConverterFactory::FakeAudioConverterFactory()
    : m_state(std::make_shared<State>())
{
}

AudioConverterFactory FakeAudioConverterFactory::factory() const
{
    return [state = m_state](AudioFormat source,
                             AudioFormat target) -> std::unique_ptr<AudioConverter> {
        const QMutexLocker lock(&state->mutex);
        if (!state->available)
            return nullptr;
        state->sources.append(source);
        state->targets.append(target);
        return std::make_unique<FakeAudioConverter>(state, source, target);
    };
}

void FakeAudioConverterFactory::setAvailable(bool available)
{
    const QMutexLocker lock(&m_state->mutex);
    m_state->available = available;
}

void FakeAudioConverterFactory::setTransform(Transform transform)
{
    const QMutexLocker lock(&m_state->mutex);
    m_state->transform = std::move(transform);
}

int FakeAudioConverterFactory::madeCount() const
{
    const QMutexLocker lock(&m_state->mutex);
    return int(m_state->sources.size());
}

QList<AudioFormat> FakeAudioConverterFactory::sources() const
{
    const QMutexLocker lock(&m_state->mutex);
    return m_state->sources;
}

QList<AudioFormat> FakeAudioConverterFactory::targets() const
{
    const QMutexLocker lock(&m_state->mutex);
    return m_state->targets;
}

int FakeAudioConverterFactory::convertCount() const
{
    const QMutexLocker lock(&m_state->mutex);
    return m_state->convertCount;
}

} // namespace korvane::test
