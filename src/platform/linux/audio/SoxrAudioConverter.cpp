// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/audio/SoxrAudioConverter.h"

#include <QLoggingCategory>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <soxr.h>
#include <vector>

namespace korvane {

namespace {

Q_LOGGING_CATEGORY(lcAudioConverter, "korvane.platform.audio.converter", QtWarningMsg)

// Beyond these no capture device or wire format goes; larger values are garbage.
constexpr int maximumSampleRate = 768000;
constexpr int maximumChannelCount = 32;

bool isUsable(const AudioFormat& format)
{
    return format.sampleRate > 0 && format.sampleRate <= maximumSampleRate &&
           format.channelCount > 0 && format.channelCount <= maximumChannelCount;
}

float finiteOrSilence(float sample)
{
    // NaN or infinity would poison the resampler's filter for the rest of the stream.
    return std::isfinite(sample) ? sample : 0.0f;
}

float readSample(const char* at, AudioFormat::SampleType type)
{
    if (type == AudioFormat::SampleType::int16) {
        qint16 value = 0;
        std::memcpy(&value, at, sizeof value);
        return float(value) / 32768.0f;
    }
    float value = 0.0f;
    std::memcpy(&value, at, sizeof value);
    return finiteOrSilence(value);
}

qint16 toInt16(float sample)
{
    const float scaled = std::nearbyint(sample * 32768.0f);
    if (!(scaled < 32767.0f))
        return 32767;
    if (!(scaled > -32768.0f))
        return -32768;
    return qint16(scaled);
}

struct SoxrDeleter {
    void operator()(soxr_t resampler) const { soxr_delete(resampler); }
};

} // namespace

struct SoxrAudioConverter::Private {
    AudioFormat source{};
    AudioFormat target{};
    // Channels the resampler works on: the source's when the target keeps them, else one.
    int workingChannels = 1;
    std::unique_ptr<soxr, SoxrDeleter> resampler{};
    std::vector<float> input{};
    std::vector<float> produced{};
    // Resampled frames not yet returned, interleaved in working channels.
    std::vector<float> queued{};

    void decode(const AudioBuffer& buffer, int frames)
    {
        const int sourceChannels = source.channelCount;
        const int sampleBytes = source.bytesPerFrame() / sourceChannels;
        const char* data = buffer.data.constData();
        input.resize(size_t(frames) * size_t(workingChannels));
        if (workingChannels == sourceChannels) {
            for (size_t i = 0; i < input.size(); ++i)
                input[i] = readSample(data + i * size_t(sampleBytes), source.sampleType);
            return;
        }
        for (int frame = 0; frame < frames; ++frame) {
            float sum = 0.0f;
            const char* at = data + size_t(frame) * size_t(source.bytesPerFrame());
            for (int channel = 0; channel < sourceChannels; ++channel)
                sum += readSample(at + channel * sampleBytes, source.sampleType);
            input[size_t(frame)] = sum / float(sourceChannels);
        }
    }

    bool resample()
    {
        if (!resampler) {
            queued.insert(queued.end(), input.begin(), input.end());
            return true;
        }
        const size_t channels = size_t(workingChannels);
        const size_t frames = input.size() / channels;
        const double ratio = double(target.sampleRate) / double(source.sampleRate);
        size_t consumed = 0;
        for (;;) {
            const size_t room = size_t(double(frames - consumed) * ratio) + 256;
            produced.resize(room * channels);
            size_t used = 0;
            size_t made = 0;
            const soxr_error_t error =
                soxr_process(resampler.get(), input.data() + consumed * channels, frames - consumed,
                             &used, produced.data(), room, &made);
            if (error) {
                qCWarning(lcAudioConverter) << "resampling failed:" << error;
                return false;
            }
            queued.insert(queued.end(), produced.begin(),
                          produced.begin() + std::ptrdiff_t(made * channels));
            consumed += used;
            // Done once the input is in and the output had room to spare.
            if (consumed >= frames && made < room)
                return true;
            if (used == 0 && made == 0)
                return true;
        }
    }

    QByteArray take(qint64 capacity)
    {
        const size_t channels = size_t(workingChannels);
        const size_t frames = std::min(size_t(capacity), queued.size() / channels);
        if (frames == 0)
            return {};
        const int targetChannels = target.channelCount;
        QByteArray bytes(qsizetype(frames) * target.bytesPerFrame(), Qt::Uninitialized);
        char* out = bytes.data();
        for (size_t frame = 0; frame < frames; ++frame) {
            for (int channel = 0; channel < targetChannels; ++channel) {
                const size_t from = frame * channels + (channels == 1 ? 0 : size_t(channel));
                const float sample = queued[from];
                if (target.sampleType == AudioFormat::SampleType::int16) {
                    const qint16 value = toInt16(sample);
                    std::memcpy(out, &value, sizeof value);
                    out += sizeof value;
                } else {
                    std::memcpy(out, &sample, sizeof sample);
                    out += sizeof sample;
                }
            }
        }
        queued.erase(queued.begin(), queued.begin() + std::ptrdiff_t(frames * channels));
        return bytes;
    }
};

std::unique_ptr<SoxrAudioConverter> SoxrAudioConverter::create(AudioFormat source,
                                                               AudioFormat target)
{
    if (!isUsable(source) || !isUsable(target))
        return nullptr;
    auto d = std::make_unique<Private>();
    d->source = source;
    d->target = target;
    d->workingChannels = target.channelCount == source.channelCount ? source.channelCount : 1;
    if (source.sampleRate != target.sampleRate) {
        soxr_error_t error = nullptr;
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
        d->resampler.reset(soxr_create(source.sampleRate, target.sampleRate,
                                       unsigned(d->workingChannels), &error, &io, &quality,
                                       &runtime));
        if (error || !d->resampler) {
            qCWarning(lcAudioConverter) << "no resampler from" << source.sampleRate << "to"
                                        << target.sampleRate << ":" << soxr_strerror(error);
            return nullptr;
        }
    }
    return std::unique_ptr<SoxrAudioConverter>(new SoxrAudioConverter(std::move(d)));
}

SoxrAudioConverter::SoxrAudioConverter(std::unique_ptr<Private> d)
    : d(std::move(d))
{
}

SoxrAudioConverter::~SoxrAudioConverter() = default;

AudioFormat SoxrAudioConverter::sourceFormat() const
{
    return d->source;
}

AudioFormat SoxrAudioConverter::targetFormat() const
{
    return d->target;
}

QByteArray SoxrAudioConverter::convert(const AudioBuffer& buffer)
{
    if (buffer.format != d->source)
        return {};
    const int frames = buffer.frameCount();
    if (frames <= 0)
        return {};
    // Room for the frames this buffer is worth, plus one.
    const qint64 capacity = qint64(d->target.sampleRate) * frames / d->source.sampleRate + 1;
    d->decode(buffer, frames);
    if (!d->resample())
        return {};
    return d->take(capacity);
}

double SoxrAudioConverter::pendingFrames() const
{
    const double queued = double(d->queued.size()) / double(d->workingChannels);
    return queued + (d->resampler ? soxr_delay(d->resampler.get()) : 0.0);
}

std::unique_ptr<AudioConverter> createAudioConverter(AudioFormat source, AudioFormat target)
{
    return SoxrAudioConverter::create(source, target);
}

} // namespace korvane
