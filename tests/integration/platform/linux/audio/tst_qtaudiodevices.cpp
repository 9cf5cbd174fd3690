// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioSignals.h"
#include "platform/linux/audio/QtAudioCaptureDevice.h"
#include "platform/linux/audio/QtAudioPlaybackDevice.h"
#include "platform/linux/audio/SoxrAudioConverter.h"
#include "support/desktop/TestDesktop.h"

#include <QMutex>
#include <QTest>
#include <QThread>
#include <qcoro/qcorotask.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace korvane;
using namespace korvane::test;
using namespace std::chrono_literals;

namespace {

const AudioFormat wire{};

// Everything the tap delivered, converted to the wire format.
struct Recording {
    QMutex mutex;
    QByteArray pcm;
    std::atomic<bool> onMainThread{false};

    qsizetype frames()
    {
        QMutexLocker lock(&mutex);
        return pcm.size() / wire.bytesPerFrame();
    }

    // Wire samples [from, from + count); fewer when not yet recorded.
    QList<double> samples(qsizetype from, qsizetype count)
    {
        QMutexLocker lock(&mutex);
        return firstChannel(wire,
                            pcm.mid(from * wire.bytesPerFrame(), count * wire.bytesPerFrame()));
    }
};

// Starts `capture` recording into `recording`, in buffers of `tapFrames`.
void startRecording(QtAudioCaptureDevice& capture, Recording& recording, int tapFrames)
{
    std::shared_ptr<AudioConverter> converter = createAudioConverter(capture.inputFormat(), wire);
    QVERIFY(converter);
    capture.installTap(tapFrames, [&recording, converter, mainThread = QThread::currentThread()](
                                      const AudioBuffer& buffer) {
        recording.onMainThread = recording.onMainThread || QThread::currentThread() == mainThread;
        const QByteArray converted = converter->convert(buffer);
        QMutexLocker lock(&recording.mutex);
        recording.pcm += converted;
    });
    const Outcome started = capture.start();
    QVERIFY2(started, qPrintable(started.error()));
}

double toneIn(const QList<double>& samples, double frequency)
{
    return toneAmplitude(samples, wire.sampleRate, frequency);
}

// Schedules `seconds` of a sine in 100 ms chunks, as answers arrive.
void scheduleTone(QtAudioPlaybackDevice& playback, double frequency, double seconds)
{
    const int chunk = wire.sampleRate / 10;
    for (qsizetype first = 0; first < qsizetype(seconds * wire.sampleRate); first += chunk)
        playback.schedule(sinePcm(wire, frequency, 0.5, first, chunk));
}

// Waits until the last 100 ms recorded hold `frequency` at about the level played.
bool waitForTone(Recording& recording, double frequency)
{
    const qsizetype window = wire.sampleRate / 10;
    return QTest::qWaitFor(
        [&] {
            const qsizetype end = recording.frames();
            return end >= window &&
                   toneIn(recording.samples(end - window, window), frequency) > 0.3;
        },
        10000);
}

} // namespace

// Capture and playback against a private PulseAudio with one null sink: what is played into the
// sink comes back through the default source, a copy of its monitor.
class TestQtAudioDevices : public QObject {
    Q_OBJECT

    TestDesktop m_desktop;
    // A null sink nobody plays into hands its monitor's audio over in blocks of seconds; a
    // stream of silence keeps it ticking at a short latency.
    std::unique_ptr<QtAudioPlaybackDevice> m_keepAwake;

private Q_SLOTS:
    void initTestCase()
    {
        QString why;
        if (!m_desktop.startPulseAudio(&why))
            QSKIP(qPrintable(QStringLiteral("PulseAudio cannot start: ") + why));
        m_keepAwake = std::make_unique<QtAudioPlaybackDevice>();
        QVERIFY(m_keepAwake->startEngine());
    }

    void playedToneComesBackAndStopsWithThePlayer()
    {
        QtAudioCaptureDevice capture;
        QVERIFY(QCoro::waitFor(capture.requestAccess()));
        Recording recording;
        startRecording(capture, recording, 2048);
        QtAudioPlaybackDevice playback;
        QVERIFY(playback.configure(wire));
        const Outcome started = playback.startEngine();
        QVERIFY2(started, qPrintable(started.error()));
        playback.startPlayer();
        scheduleTone(playback, 1000.0, 5.0);
        QVERIFY2(waitForTone(recording, 1000.0), "the tone never came back");
        const qsizetype start = recording.frames();
        QVERIFY(QTest::qWaitFor([&] { return recording.frames() >= start + wire.sampleRate / 2; },
                                5000));
        const QList<double> window = recording.samples(start, wire.sampleRate / 2);
        QVERIFY2(std::abs(toneIn(window, 1000.0) - 0.5) < 0.05,
                 qPrintable(QString::number(toneIn(window, 1000.0))));
        QVERIFY(toneIn(window, 1500.0) < 0.02);
        QVERIFY(!recording.onMainThread);

        const qsizetype stoppedAt = recording.frames();
        playback.stopPlayer();
        QVERIFY(!playback.isPlayerPlaying());
        QCOMPARE(playback.queuedBytes(), 0);
        QVERIFY(playback.isEngineRunning());
        // The sink holds a quarter of a second; dropped too, the tone ends within the way back
        // through the monitor.
        const qsizetype after = stoppedAt + wire.sampleRate * 160 / 1000;
        QVERIFY(
            QTest::qWaitFor([&] { return recording.frames() >= after + wire.sampleRate; }, 5000));
        const QList<double> afterStop = recording.samples(after, wire.sampleRate);
        QVERIFY2(toneIn(afterStop, 1000.0) < 0.01,
                 qPrintable(QString::number(toneIn(afterStop, 1000.0))));
        // Nothing scheduled: the sink plays silence, not the noise of an underrun.
        QVERIFY2(rootMeanSquare(afterStop) < 0.001,
                 qPrintable(QString::number(rootMeanSquare(afterStop))));

        // The engine still runs: a started player plays what is scheduled next, and none of the
        // audio dropped before comes back first.
        const qsizetype restart = recording.frames();
        playback.startPlayer();
        scheduleTone(playback, 2000.0, 1.0);
        QVERIFY(waitForTone(recording, 2000.0));
        const double resumed =
            toneIn(recording.samples(restart, recording.frames() - restart), 1000.0);
        QVERIFY2(resumed < 0.01, qPrintable(QString::number(resumed)));
        capture.stop();
    }

    void stopReturnsWithNoHandlerRunning()
    {
        QtAudioCaptureDevice capture;
        std::atomic<bool> inHandler{false};
        std::atomic<int> calls{0};
        capture.installTap(1024, [&](const AudioBuffer&) {
            inHandler = true;
            std::this_thread::sleep_for(30ms);
            ++calls;
            inHandler = false;
        });
        for (int round = 0; round < 3; ++round) {
            QVERIFY(capture.start());
            const int before = calls;
            QVERIFY(QTest::qWaitFor([&] { return calls >= before + 3; }, 5000));
            capture.stop();
            QVERIFY(!inHandler);
            QVERIFY(!capture.isRunning());
            const int stoppedAt = calls;
            QTest::qWait(200);
            QCOMPARE(calls.load(), stoppedAt);
        }
    }

    void installingATapReplacesTheEarlierOne()
    {
        QtAudioCaptureDevice capture;
        std::atomic<int> first{0};
        std::atomic<int> second{0};
        std::atomic<int> secondFrames{0};
        capture.installTap(512, [&](const AudioBuffer&) { ++first; });
        QVERIFY(capture.start());
        QVERIFY(QTest::qWaitFor([&] { return first >= 3; }, 5000));
        // Replacing while running: the old handler is never called again.
        capture.installTap(1024, [&](const AudioBuffer& buffer) {
            secondFrames = buffer.frameCount();
            ++second;
        });
        const int firstAtSwap = first;
        QVERIFY(QTest::qWaitFor([&] { return second >= 3; }, 5000));
        QCOMPARE(first.load(), firstAtSwap);
        QCOMPARE(secondFrames.load(), 1024);
        capture.stop();
    }

    void missingDevicesAndFormatsAreReportedAsSentences()
    {
        QtAudioCaptureDevice capture(QByteArrayLiteral("no-such-source"));
        QVERIFY(!QCoro::waitFor(capture.requestAccess()));
        QCOMPARE(capture.start().error(), QStringLiteral("No microphone is available."));
        QVERIFY(!capture.isRunning());

        QtAudioPlaybackDevice playback(QByteArrayLiteral("no-such-sink"));
        QCOMPARE(playback.startEngine().error(), QStringLiteral("No audio output is available."));
        QVERIFY(!playback.isEngineRunning());
        QCOMPARE(playback.configure(AudioFormat{.sampleRate = 0}).error(),
                 QStringLiteral("The playback format is not usable."));
    }
};

QTEST_GUILESS_MAIN(TestQtAudioDevices)
#include "tst_qtaudiodevices.moc"
