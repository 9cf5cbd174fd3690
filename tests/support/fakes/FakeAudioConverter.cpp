// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakeAudioConverter.h"

#include <QMutexLocker>

namespace korvane::test {

namespace {

class PassThroughConverter final : public AudioConverter {
public:
    PassThroughConverter(AudioFormat source, AudioFormat target)
        : m_source(source)
        , m_target(target)
    {
    }

    AudioFormat sourceFormat() const override { return m_source; }
    AudioFormat targetFormat() const override { return m_target; }
    QByteArray convert(const AudioBuffer& buffer) override { return buffer.data; }

private:
    AudioFormat m_source;
    AudioFormat m_target;
};

} // namespace

AudioConverterFactory FakeAudioConverterFactory::factory()
{
    return [this](AudioFormat source, AudioFormat target) -> std::unique_ptr<AudioConverter> {
        if (!available)
            return nullptr;
        const QMutexLocker lock(&m_mutex);
        m_targets.append(target);
        return std::make_unique<PassThroughConverter>(source, target);
    };
}

QList<AudioFormat> FakeAudioConverterFactory::targets() const
{
    const QMutexLocker lock(&m_mutex);
    return m_targets;
}

} // namespace korvane::test
