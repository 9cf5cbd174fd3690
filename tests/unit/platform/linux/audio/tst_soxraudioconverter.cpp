// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioSignals.h"
#include "platform/linux/audio/SoxrAudioConverter.h"

#include <QTest>

#include <cmath>
#include <limits>
#include <numbers>

using namespace korvane;
using namespace korvane::test;

namespace {

using Type = AudioFormat::SampleType;

AudioFormat format(int rate, int channels, Type type)
{
    return AudioFormat{.sampleRate = rate, .channelCount = channels, .sampleType = type};
}

const AudioFormat wire = format(24000, 1, Type::int16);

// Feeds a second of a sine of amplitude 0.5 in buffers of 2048 frames and returns everything
// that came out.
QByteArray convertSine(AudioConverter& converter, double frequency)
{
    const AudioFormat source = converter.sourceFormat();
    QByteArray out;
    for (qsizetype first = 0; first < source.sampleRate; first += 2048) {
        const QByteArray pcm = sinePcm(source, frequency, 0.5, first, 2048);
        out += converter.convert(AudioBuffer{.format = source, .data = pcm});
    }
    return out;
}

// Half a second of steady-state output, past the resampler's start-up.
QList<double> steadyWindow(const AudioFormat& target, const QByteArray& out)
{
    const QList<double> samples = firstChannel(target, out);
    const qsizetype skip = target.sampleRate / 4;
    const qsizetype length = target.sampleRate / 2;
    if (samples.size() < skip + length)
        return {};
    return samples.mid(skip, length);
}

} // namespace

Q_DECLARE_METATYPE(korvane::AudioFormat)
Q_DECLARE_METATYPE(korvane::AudioBuffer)

class TestSoxrAudioConverter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keepsFrequencyAndLevel_data()
    {
        QTest::addColumn<AudioFormat>("source");
        QTest::addColumn<AudioFormat>("target");
        QTest::addColumn<double>("frequency");
        QTest::addColumn<double>("expectedAmplitude");
        const AudioFormat stereoFloat = format(48000, 2, Type::float32);
        QTest::newRow("48k stereo float, 1 kHz") << stereoFloat << wire << 1000.0 << 0.5;
        QTest::newRow("16k mono int16 up to 24k, 3 kHz")
            << format(16000, 1, Type::int16) << wire << 3000.0 << 0.5;
        QTest::newRow("wake listener: 44.1k stereo int16 to 16k, 440 Hz")
            << format(44100, 2, Type::int16) << format(16000, 1, Type::int16) << 440.0 << 0.5;
        // Above the target's Nyquist frequency: must be filtered out, not folded back.
        QTest::newRow("15 kHz does not alias into 24k") << stereoFloat << wire << 15000.0 << 0.0;
    }

    void keepsFrequencyAndLevel()
    {
        QFETCH(AudioFormat, source);
        QFETCH(AudioFormat, target);
        QFETCH(double, frequency);
        QFETCH(double, expectedAmplitude);
        auto converter = createAudioConverter(source, target);
        QVERIFY(converter);
        const QList<double> window = steadyWindow(target, convertSine(*converter, frequency));
        QVERIFY2(!window.isEmpty(), "less than 0.75 s came out of 1 s");
        const double level = rootMeanSquare(window) * std::numbers::sqrt2;
        QVERIFY2(std::abs(level - expectedAmplitude) < 0.02, qPrintable(QString::number(level)));
        if (expectedAmplitude == 0.0)
            return;
        QVERIFY(std::abs(toneAmplitude(window, target.sampleRate, frequency) - 0.5) < 0.02);
        QVERIFY(toneAmplitude(window, target.sampleRate, frequency * 1.5) < 0.005);
        // No clicks where the buffers meet: a sine never steps further than its slope allows.
        const double maximumStep = 0.5 * 2.0 * std::numbers::pi * frequency / target.sampleRate;
        for (qsizetype i = 1; i < window.size(); ++i) {
            const double step = std::abs(window[i] - window[i - 1]);
            QVERIFY2(step <= maximumStep * 1.05 + 2.0 / 32768.0, qPrintable(QString::number(i)));
        }
    }

    void frameCountsSumUp_data()
    {
        QTest::addColumn<AudioFormat>("source");
        QTest::addColumn<QList<int>>("bufferSizes");
        QTest::newRow("44.1k, ragged buffers")
            << format(44100, 2, Type::float32) << QList<int>{1, 441, 4096, 7, 1000};
        QTest::newRow("same rate passes every frame")
            << format(24000, 2, Type::float32) << QList<int>{2048, 5};
    }

    void frameCountsSumUp()
    {
        QFETCH(AudioFormat, source);
        QFETCH(QList<int>, bufferSizes);
        auto converter = SoxrAudioConverter::create(source, wire);
        QVERIFY(converter);
        qint64 framesIn = 0;
        qint64 framesOut = 0;
        for (int i = 0; i < 400; ++i) {
            const int frames = bufferSizes[i % bufferSizes.size()];
            const QByteArray pcm = sinePcm(source, 700.0, 0.3, framesIn, frames);
            const QByteArray out = converter->convert(AudioBuffer{.format = source, .data = pcm});
            QCOMPARE(out.size() % wire.bytesPerFrame(), 0);
            const qint64 made = out.size() / wire.bytesPerFrame();
            QVERIFY(made <= qint64(wire.sampleRate) * frames / source.sampleRate + 1);
            framesIn += frames;
            framesOut += made;
        }
        // What came out plus what the resampler still holds is the whole stream, and it holds
        // back no more than a few of its blocks.
        const double expected = double(framesIn) * wire.sampleRate / source.sampleRate;
        const double held = converter->pendingFrames();
        QVERIFY(std::abs(double(framesOut) + held - expected) <= 2.0);
        QVERIFY(held < 0.1 * wire.sampleRate);
        if (source.sampleRate == wire.sampleRate)
            QCOMPARE(framesOut, framesIn);
    }

    // A constant on each channel, past the resampler's start-up.
    void levels_data()
    {
        QTest::addColumn<AudioFormat>("source");
        QTest::addColumn<double>("left");
        QTest::addColumn<double>("right");
        QTest::addColumn<double>("expected");
        QTest::newRow("+1.2 after resampling clips high")
            << format(48000, 1, Type::float32) << 1.2 << 0.0 << 32767.0 / 32768.0;
        QTest::newRow("-1.0 is full scale")
            << format(24000, 1, Type::float32) << -1.0 << 0.0 << -1.0;
        QTest::newRow("opposite int16 channels cancel")
            << format(44100, 2, Type::int16) << 0.5 << -0.5 << 0.0;
        QTest::newRow("one silent channel halves the level")
            << format(48000, 2, Type::float32) << 0.8 << 0.0 << 0.4;
    }

    void levels()
    {
        QFETCH(AudioFormat, source);
        QFETCH(double, left);
        QFETCH(double, right);
        QFETCH(double, expected);
        auto converter = createAudioConverter(source, wire);
        QVERIFY(converter);
        QByteArray out;
        for (int i = 0; i < 20; ++i)
            out += converter->convert(
                AudioBuffer{source, generatePcm(source, 0, 1000, [&](qsizetype, int channel) {
                                return channel == 0 ? left : right;
                            })});
        const QList<double> samples = firstChannel(wire, out);
        QVERIFY(samples.size() > 4000);
        // Exact without resampling.
        const double tolerance = source.sampleRate == wire.sampleRate ? 0.0 : 1e-3;
        for (qsizetype i = samples.size() / 2; i < samples.size(); ++i)
            QVERIFY2(std::abs(samples[i] - expected) <= tolerance,
                     qPrintable(QString::number(samples[i])));
    }

    void unusableFormatsGiveNoConverter_data()
    {
        QTest::addColumn<AudioFormat>("source");
        QTest::addColumn<AudioFormat>("target");
        QTest::addColumn<bool>("usable");
        const AudioFormat mic = format(48000, 2, Type::float32);
        QTest::newRow("microphone to wire") << mic << wire << true;
        QTest::newRow("source rate 0") << format(0, 2, Type::float32) << wire << false;
        QTest::newRow("source without channels")
            << format(48000, 0, Type::float32) << wire << false;
        QTest::newRow("target rate 0") << mic << format(0, 1, Type::int16) << false;
        QTest::newRow("absurd rate")
            << format(std::numeric_limits<int>::max(), 1, Type::int16) << wire << false;
    }

    void unusableFormatsGiveNoConverter()
    {
        QFETCH(AudioFormat, source);
        QFETCH(AudioFormat, target);
        QFETCH(bool, usable);
        QCOMPARE(bool(createAudioConverter(source, target)), usable);
    }

    void badBuffersGiveNothingAndLeaveTheStreamIntact_data()
    {
        const AudioFormat mic = format(48000, 2, Type::float32);
        QTest::addColumn<AudioBuffer>("bad");
        QTest::newRow("less than a frame") << AudioBuffer{mic, QByteArray(7, '\x01')};
        QTest::newRow("buffer in another format")
            << AudioBuffer{format(44100, 2, Type::float32), sinePcm(mic, 300, 0.5, 0, 2048)};
        const float nan = std::numeric_limits<float>::quiet_NaN();
        QTest::newRow("not-a-number samples")
            << AudioBuffer{mic, generatePcm(mic, 0, 2048, [&](qsizetype, int) { return nan; })};
    }

    void badBuffersGiveNothingAndLeaveTheStreamIntact()
    {
        QFETCH(AudioBuffer, bad);
        auto converter = createAudioConverter(format(48000, 2, Type::float32), wire);
        QVERIFY(converter);
        const QByteArray badOut = converter->convert(bad);
        QCOMPARE(rootMeanSquare(firstChannel(wire, badOut)), 0.0);
        // Whatever the bad buffer was, the stream after it is a clean tone.
        const QByteArray out = convertSine(*converter, 1000.0);
        const QList<double> window = steadyWindow(wire, out);
        QVERIFY(!window.isEmpty());
        QVERIFY(std::abs(toneAmplitude(window, wire.sampleRate, 1000.0) - 0.5) < 0.02);
        QVERIFY(std::abs(rootMeanSquare(window) * std::numbers::sqrt2 - 0.5) < 0.02);
        // Nor did anything full scale come out on the way (a NaN turned into a click).
        for (const double sample : firstChannel(wire, badOut + out))
            QVERIFY2(std::abs(sample) < 0.6, qPrintable(QString::number(sample)));
    }
};

QTEST_GUILESS_MAIN(TestSoxrAudioConverter)
#include "tst_soxraudioconverter.moc"
