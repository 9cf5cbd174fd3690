// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioSignals.h"
#include "platform/linux/audio/AudioTapChunker.h"
#include "platform/linux/audio/SoxrAudioConverter.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace korvane;
using namespace korvane::test;

namespace {

using Type = AudioFormat::SampleType;

constexpr int repetitions = 21;

// Wall and processor time of one stretch of work, so a busy machine shows as the gap.
struct Stopwatch {
    QElapsedTimer wall;
    timespec cpuStart{};

    Stopwatch() { restart(); }
    void restart()
    {
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpuStart);
        wall.start();
    }
    double wallMicroseconds() const { return double(wall.nsecsElapsed()) / 1e3; }
    double cpuMicroseconds() const
    {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return double(now.tv_sec - cpuStart.tv_sec) * 1e6 +
               double(now.tv_nsec - cpuStart.tv_nsec) / 1e3;
    }
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Milliseconds to convert one second of `source` audio, fed in 2048-frame tap buffers.
void converterThroughput(const char* name, AudioFormat source, AudioFormat target)
{
    std::vector<QByteArray> buffers;
    for (qsizetype first = 0; first < source.sampleRate; first += 2048)
        buffers.push_back(sinePcm(source, 1000.0, 0.5, first, 2048));
    const double seconds = double(buffers.size()) * 2048 / source.sampleRate;
    auto converter = createAudioConverter(source, target);
    std::vector<double> wall;
    std::vector<double> cpu;
    qsizetype bytes = 0;
    for (int round = 0; round < repetitions; ++round) {
        Stopwatch watch;
        for (const QByteArray& pcm : buffers)
            bytes += converter->convert(AudioBuffer{.format = source, .data = pcm}).size();
        wall.push_back(watch.wallMicroseconds() / 1e3 / seconds);
        cpu.push_back(watch.cpuMicroseconds() / 1e3 / seconds);
    }
    std::printf("converter %-38s %7.3f ms wall, %7.3f ms processor per second of audio "
                "(medians of %d; %lld bytes out)\n",
                name, median(wall), median(cpu), repetitions, static_cast<long long>(bytes));
}

// The work behind one tap buffer: cutting what the source read into a 2048-frame buffer, and
// the realtime handler's conversion of it to the wire format.
void capturePerBuffer(AudioFormat source, int readFrames)
{
    const AudioFormat wire{};
    AudioTapChunker chunker(source, 2048);
    auto converter = createAudioConverter(source, wire);
    const QByteArray read = sinePcm(source, 1000.0, 0.5, 0, readFrames);
    const int readsPerRound = 2048 * 200 / readFrames;
    std::vector<double> chunking;
    std::vector<double> total;
    std::vector<double> totalCpu;
    qsizetype bytes = 0;
    for (int round = 0; round < repetitions; ++round) {
        int buffers = 0;
        Stopwatch watch;
        for (int i = 0; i < readsPerRound; ++i)
            chunker.append(read.constData(), read.size(), [&](const AudioBuffer&) { ++buffers; });
        chunking.push_back(watch.cpuMicroseconds() / std::max(buffers, 1));
        buffers = 0;
        watch.restart();
        for (int i = 0; i < readsPerRound; ++i)
            chunker.append(read.constData(), read.size(), [&](const AudioBuffer& buffer) {
                bytes += converter->convert(buffer).size();
                ++buffers;
            });
        total.push_back(watch.wallMicroseconds() / std::max(buffers, 1));
        totalCpu.push_back(watch.cpuMicroseconds() / std::max(buffers, 1));
    }
    std::printf("capture per 2048-frame buffer, %d Hz %d ch %s, %d-frame reads: chunking %.2f us "
                "processor; with conversion to 24 kHz %.2f us wall, %.2f us processor "
                "(medians of %d; %lld bytes out)\n",
                source.sampleRate, source.channelCount,
                source.sampleType == Type::int16 ? "int16" : "float", readFrames, median(chunking),
                median(total), median(totalCpu), repetitions, static_cast<long long>(bytes));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const AudioFormat wire{};
    const AudioFormat wake{.sampleRate = 16000, .channelCount = 1, .sampleType = Type::int16};
    const AudioFormat stereoFloat48{
        .sampleRate = 48000, .channelCount = 2, .sampleType = Type::float32};
    const AudioFormat stereoInt44{
        .sampleRate = 44100, .channelCount = 2, .sampleType = Type::int16};
    converterThroughput("48k stereo float -> 24k mono int16", stereoFloat48, wire);
    converterThroughput("48k stereo float -> 16k mono int16", stereoFloat48, wake);
    converterThroughput("44.1k stereo int16 -> 24k mono int16", stereoInt44, wire);
    capturePerBuffer(stereoFloat48, 1920);
    capturePerBuffer(stereoInt44, 1764);
    return 0;
}
