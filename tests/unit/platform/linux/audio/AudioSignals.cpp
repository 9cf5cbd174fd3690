// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioSignals.h"

#include <cmath>
#include <cstring>
#include <numbers>

namespace korvane::test {

QByteArray generatePcm(const AudioFormat& format, qsizetype firstFrame, int frames,
                       const std::function<double(qsizetype frame, int channel)>& signal)
{
    QByteArray pcm(qsizetype(frames) * format.bytesPerFrame(), Qt::Uninitialized);
    char* out = pcm.data();
    for (int frame = 0; frame < frames; ++frame) {
        for (int channel = 0; channel < format.channelCount; ++channel) {
            const double value = signal(firstFrame + frame, channel);
            if (format.sampleType == AudioFormat::SampleType::int16) {
                const auto sample =
                    qint16(std::clamp(std::lround(value * 32767.0), -32768L, 32767L));
                std::memcpy(out, &sample, sizeof sample);
                out += sizeof sample;
            } else {
                const auto sample = float(value);
                std::memcpy(out, &sample, sizeof sample);
                out += sizeof sample;
            }
        }
    }
    return pcm;
}

QByteArray sinePcm(const AudioFormat& format, double frequency, double amplitude,
                   qsizetype firstFrame, int frames)
{
    const double step = 2.0 * std::numbers::pi * frequency / format.sampleRate;
    return generatePcm(format, firstFrame, frames, [=](qsizetype frame, int) {
        return amplitude * std::sin(step * double(frame));
    });
}

QList<double> firstChannel(const AudioFormat& format, const QByteArray& pcm)
{
    QList<double> samples;
    const int frameBytes = format.bytesPerFrame();
    const qsizetype frames = pcm.size() / frameBytes;
    samples.reserve(frames);
    for (qsizetype frame = 0; frame < frames; ++frame) {
        const char* at = pcm.constData() + frame * frameBytes;
        if (format.sampleType == AudioFormat::SampleType::int16) {
            qint16 sample = 0;
            std::memcpy(&sample, at, sizeof sample);
            samples.append(sample / 32768.0);
        } else {
            float sample = 0;
            std::memcpy(&sample, at, sizeof sample);
            samples.append(sample);
        }
    }
    return samples;
}

double toneAmplitude(const QList<double>& samples, int rate, double frequency)
{
    if (samples.isEmpty())
        return 0.0;
    const double omega = 2.0 * std::numbers::pi * frequency / rate;
    const double coefficient = 2.0 * std::cos(omega);
    double previous = 0.0;
    double beforePrevious = 0.0;
    for (const double sample : samples) {
        const double current = sample + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    const double power = previous * previous + beforePrevious * beforePrevious -
                         coefficient * previous * beforePrevious;
    return 2.0 * std::sqrt(std::max(power, 0.0)) / double(samples.size());
}

double rootMeanSquare(const QList<double>& samples)
{
    if (samples.isEmpty())
        return 0.0;
    double sum = 0.0;
    for (const double sample : samples)
        sum += sample * sample;
    return std::sqrt(sum / double(samples.size()));
}

} // namespace korvane::test
