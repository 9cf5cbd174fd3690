// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioSignals.h"
#include "platform/linux/audio/SoxrAudioConverter.h"

#include <QTest>

#include <cmath>
#include <cstring>
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

// Feeds `seconds` of a sine in buffers of `bufferFrames` and returns everything that came out.
QByteArray convertSine(AudioConverter& converter, double frequency, double amplitude,
                       double seconds, int bufferFrames)
{
    const AudioFormat source = converter.sourceFormat();
    const auto total = qsizetype(seconds * source.sampleRate);
    QByteArray out;
    for (qsizetype first = 0; first < total; first += bufferFrames) {
        const QByteArray pcm = sinePcm(source, frequency, amplitude, first, bufferFrames);
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

class TestSoxrAudioConverter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keepsFrequencyAndLevel_data()
    {
        QTest::addColumn<AudioFormat>("source");
        QTest::addColumn<AudioFormat>("target");
        QTest::addColumn<double>("frequency");
        QTest::addColumn<int>("bufferFrames");
        QTest::addColumn<double>("expectedAmplitude");

        const AudioFormat stereoFloat = format(48000, 2, Type::float32);
        QTest::newRow("48k stereo float, 1 kHz") << stereoFloat << wire << 1000.0 << 2048 << 0.5;
        QTest::newRow("44.1k mono int16, 1 kHz")
            << format(44100, 1, Type::int16) << wire << 1000.0 << 1024 << 0.5;
        QTest::newRow("16k mono int16 up to 24k, 3 kHz")
            << format(16000, 1, Type::int16) << wire << 3000.0 << 1024 << 0.5;
        QTest::newRow("wake listener: 44.1k stereo int16 to 16k, 440 Hz")
            << format(44100, 2, Type::int16) << format(16000, 1, Type::int16) << 440.0 << 1024
            << 0.5;
        // Above the target's Nyquist frequency: must be filtered out, not folded back.
        QTest::newRow("15 kHz does not alias into 24k")
            << stereoFloat << wire << 15000.0 << 2048 << 0.0;
        QTest::newRow("10 kHz does not alias into 16k")
            << stereoFloat << format(16000, 1, Type::int16) << 10000.0 << 1024 << 0.0;
    }

    void keepsFrequencyAndLevel()
    {
        QFETCH(AudioFormat, source);
        QFETCH(AudioFormat, target);
        QFETCH(double, frequency);
        QFETCH(int, bufferFrames);
        QFETCH(double, expectedAmplitude);

        auto converter = createAudioConverter(source, target);
        QVERIFY(converter);
        const QByteArray out = convertSine(*converter, frequency, 0.5, 1.0, bufferFrames);
        const QList<double> window = steadyWindow(target, out);
        QVERIFY2(!window.isEmpty(), "less than 0.75 s came out of 1 s");

        const double level = rootMeanSquare(window) * std::numbers::sqrt2;
        QVERIFY2(std::abs(level - expectedAmplitude) < 0.02,
                 qPrintable(QStringLiteral("level %1").arg(level)));
        if (expectedAmplitude == 0.0)
            return;

        // A folded image of a tone above the target's Nyquist frequency would show here.
        const double aliased = target.sampleRate - frequency;
        QVERIFY(std::abs(toneAmplitude(window, target.sampleRate, frequency) - expectedAmplitude) <
                0.02);
        QVERIFY(toneAmplitude(window, target.sampleRate, frequency * 1.5) < 0.005);
        if (aliased > 0 && aliased < target.sampleRate / 2.0)
            QVERIFY(toneAmplitude(window, target.sampleRate, aliased) < 0.005);

        // No clicks where the buffers meet: a sine never steps further than its slope allows.
        const double maximumStep =
            expectedAmplitude * 2.0 * std::numbers::pi * frequency / target.sampleRate;
        for (qsizetype i = 1; i < window.size(); ++i) {
            const double step = std::abs(window[i] - window[i - 1]);
            QVERIFY2(step <= maximumStep * 1.05 + 2.0 / 32768.0,
                     qPrintable(QStringLiteral("step %1 at %2").arg(step).arg(i)));
        }
    }

    void frameCountsSumUp_data()
    {
        QTest::addColumn<AudioFormat>("source");
        QTest::addColumn<AudioFormat>("target");
        QTest::addColumn<QList<int>>("bufferSizes");
        QTest::addColumn<int>("buffers");

        const AudioFormat cd = format(44100, 2, Type::float32);
        QTest::newRow("44.1k, 2048-frame taps") << cd << wire << QList<int>{2048} << 300;
        QTest::newRow("44.1k, ragged buffers")
            << cd << wire << QList<int>{1, 441, 4096, 7, 1000} << 400;
        QTest::newRow("48k to 16k, 1024-frame taps")
            << format(48000, 2, Type::float32) << format(16000, 1, Type::int16) << QList<int>{1024}
            << 500;
        QTest::newRow("same rate passes every frame")
            << format(24000, 2, Type::float32) << wire << QList<int>{2048, 5} << 100;
    }

    void frameCountsSumUp()
    {
        QFETCH(AudioFormat, source);
        QFETCH(AudioFormat, target);
        QFETCH(QList<int>, bufferSizes);
        QFETCH(int, buffers);

        auto converter = SoxrAudioConverter::create(source, target);
        QVERIFY(converter);
        qint64 framesIn = 0;
        qint64 framesOut = 0;
        for (int i = 0; i < buffers; ++i) {
            const int frames = bufferSizes[i % bufferSizes.size()];
            const QByteArray pcm = sinePcm(source, 700.0, 0.3, framesIn, frames);
            const QByteArray out = converter->convert(AudioBuffer{.format = source, .data = pcm});
            QCOMPARE(out.size() % target.bytesPerFrame(), 0);
            const qint64 made = out.size() / target.bytesPerFrame();
            const qint64 capacity = qint64(target.sampleRate) * frames / source.sampleRate + 1;
            QVERIFY2(made <= capacity,
                     qPrintable(QStringLiteral("%1 frames > capacity %2").arg(made).arg(capacity)));
            framesIn += frames;
            framesOut += made;
        }
        const double expected = double(framesIn) * target.sampleRate / source.sampleRate;
        const double held = converter->pendingFrames();
        // What came out plus what the resampler still holds is the whole stream.
        QVERIFY2(
            std::abs(double(framesOut) + held - expected) <= 2.0,
            qPrintable(
                QStringLiteral("out %1 + held %2 vs %3").arg(framesOut).arg(held).arg(expected)));
        // And the resampler holds back no more than a few of its blocks.
        QVERIFY2(held < 0.1 * target.sampleRate, qPrintable(QString::number(held)));
        if (source.sampleRate == target.sampleRate)
            QCOMPARE(framesOut, framesIn);
    }

    void samplesConvertWithClipping_data()
    {
        QTest::addColumn<AudioFormat>("source");
        QTest::addColumn<AudioFormat>("target");
        QTest::addColumn<double>("input");
        QTest::addColumn<double>("expected");

        const AudioFormat floatWire = format(24000, 1, Type::float32);
        QTest::newRow("+1.2 clips high") << floatWire << wire << 1.2 << 32767.0;
        QTest::newRow("-1.2 clips low") << floatWire << wire << -1.2 << -32768.0;
        QTest::newRow("-1.0 is full scale") << floatWire << wire << -1.0 << -32768.0;
        QTest::newRow("0.5 is half scale") << floatWire << wire << 0.5 << 16384.0;
        QTest::newRow("+1.2 after resampling clips high")
            << format(48000, 1, Type::float32) << wire << 1.2 << 32767.0;
        QTest::newRow("int16 half scale to float")
            << format(24000, 1, Type::int16) << floatWire << 0.5 << 0.5;
        QTest::newRow("float keeps headroom")
            << format(48000, 1, Type::float32) << floatWire << 1.2 << 1.2;
    }

    void samplesConvertWithClipping()
    {
        QFETCH(AudioFormat, source);
        QFETCH(AudioFormat, target);
        QFETCH(double, input);
        QFETCH(double, expected);

        auto converter = createAudioConverter(source, target);
        QVERIFY(converter);
        QByteArray out;
        for (int i = 0; i < 20; ++i) {
            // A constant input, exact in int16 when the source is int16.
            const QByteArray pcm = generatePcm(source, 0, 1000, [&](qsizetype, int) {
                return source.sampleType == Type::int16 ? input * 32768.0 / 32767.0 : input;
            });
            out += converter->convert(AudioBuffer{.format = source, .data = pcm});
        }
        const int sampleBytes = target.bytesPerFrame();
        QVERIFY(out.size() > 4000 * sampleBytes);
        // Past the resampler's start-up every sample is the converted constant.
        for (qsizetype at = out.size() / 2; at + sampleBytes <= out.size(); at += sampleBytes) {
            double value = 0;
            if (target.sampleType == Type::int16) {
                qint16 sample = 0;
                std::memcpy(&sample, out.constData() + at, sizeof sample);
                value = sample;
                QVERIFY2(std::abs(value - expected) <=
                             (source.sampleRate == target.sampleRate ? 0 : 2),
                         qPrintable(QString::number(value)));
            } else {
                float sample = 0;
                std::memcpy(&sample, out.constData() + at, sizeof sample);
                QVERIFY2(std::abs(sample - expected) < 1e-3, qPrintable(QString::number(sample)));
            }
        }
    }

    void downMixAverages_data()
    {
        QTest::addColumn<AudioFormat>("source");
        QTest::addColumn<double>("left");
        QTest::addColumn<double>("right");
        QTest::addColumn<double>("expectedLevel");

        QTest::newRow("opposite channels cancel")
            << format(24000, 2, Type::float32) << 1.0 << -1.0 << 0.0;
        QTest::newRow("opposite int16 channels cancel")
            << format(44100, 2, Type::int16) << 1.0 << -1.0 << 0.0;
        QTest::newRow("one silent channel halves the level")
            << format(48000, 2, Type::float32) << 1.0 << 0.0 << 0.5;
        QTest::newRow("equal channels keep the level")
            << format(48000, 2, Type::int16) << 1.0 << 1.0 << 1.0;
    }

    void downMixAverages()
    {
        QFETCH(AudioFormat, source);
        QFETCH(double, left);
        QFETCH(double, right);
        QFETCH(double, expectedLevel);

        auto converter = createAudioConverter(source, wire);
        QVERIFY(converter);
        const double step = 2.0 * std::numbers::pi * 500.0 / source.sampleRate;
        QByteArray out;
        for (qsizetype first = 0; first < source.sampleRate; first += 2048) {
            const QByteArray pcm = generatePcm(source, first, 2048, [&](qsizetype frame, int ch) {
                return (ch == 0 ? left : right) * 0.4 * std::sin(step * double(frame));
            });
            out += converter->convert(AudioBuffer{.format = source, .data = pcm});
        }
        const QList<double> window = steadyWindow(wire, out);
        QVERIFY(!window.isEmpty());
        const double level = rootMeanSquare(window) * std::numbers::sqrt2 / 0.4;
        QVERIFY2(std::abs(level - expectedLevel) < 0.01, qPrintable(QString::number(level)));
    }

    void unusableFormatsGiveNoConverter_data()
    {
        QTest::addColumn<AudioFormat>("source");
        QTest::addColumn<AudioFormat>("target");
        QTest::addColumn<bool>("usable");

        const AudioFormat mic = format(48000, 2, Type::float32);
        QTest::newRow("microphone to wire") << mic << wire << true;
        QTest::newRow("mono int16 to stereo float")
            << format(16000, 1, Type::int16) << format(48000, 2, Type::float32) << true;
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

        const auto converter = createAudioConverter(source, target);
        QCOMPARE(bool(converter), usable);
        if (converter) {
            QCOMPARE(converter->sourceFormat(), source);
            QCOMPARE(converter->targetFormat(), target);
        }
    }

    void badBuffersGiveNothingAndLeaveTheStreamIntact_data()
    {
        QTest::addColumn<QByteArray>("badData");
        QTest::addColumn<bool>("otherFormat");

        const AudioFormat mic = format(48000, 2, Type::float32);
        QTest::newRow("empty buffer") << QByteArray() << false;
        QTest::newRow("less than a frame") << QByteArray(7, '\x01') << false;
        QTest::newRow("buffer in another format") << sinePcm(mic, 300, 0.5, 0, 2048) << true;
        const float nan = std::numeric_limits<float>::quiet_NaN();
        QTest::newRow("not-a-number samples")
            << generatePcm(mic, 0, 2048, [&](qsizetype, int) { return double(nan); }) << false;
    }

    void badBuffersGiveNothingAndLeaveTheStreamIntact()
    {
        QFETCH(QByteArray, badData);
        QFETCH(bool, otherFormat);

        const AudioFormat mic = format(48000, 2, Type::float32);
        auto converter = createAudioConverter(mic, wire);
        QVERIFY(converter);
        AudioFormat badFormat = mic;
        if (otherFormat)
            badFormat.sampleRate = 44100;
        const QByteArray bad =
            converter->convert(AudioBuffer{.format = badFormat, .data = badData});
        if (badData.size() < mic.bytesPerFrame() || otherFormat)
            QVERIFY(bad.isEmpty());
        // Whatever the bad buffer was, the stream after it is a clean tone.
        const QByteArray out = convertSine(*converter, 1000.0, 0.5, 1.0, 2048);
        const QList<double> window = steadyWindow(wire, out);
        QVERIFY(!window.isEmpty());
        QVERIFY(std::abs(toneAmplitude(window, wire.sampleRate, 1000.0) - 0.5) < 0.02);
        QVERIFY(std::abs(rootMeanSquare(window) * std::numbers::sqrt2 - 0.5) < 0.02);
        // Nor did anything full scale come out on the way (a NaN turned into a click).
        for (const double sample : firstChannel(wire, bad + out))
            QVERIFY2(std::abs(sample) < 0.6, qPrintable(QString::number(sample)));
    }
};

QTEST_GUILESS_MAIN(TestSoxrAudioConverter)
#include "tst_soxraudioconverter.moc"
