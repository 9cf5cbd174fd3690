// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakeAudioCaptureDevice.h"
#include "fakes/FakeAudioConverter.h"
#include "fakes/FakeSpeechRecognizer.h"
#include "speech/WakeWordVoiceService.h"

#include <QTest>
#include <QThread>

#include <atomic>
#include <memory>
#include <thread>

using namespace korvane;
using namespace korvane::test;
using namespace std::chrono_literals;

namespace {

const AudioFormat microphoneFormat{48000, 2, AudioFormat::SampleType::float32};
const AudioFormat recognizerFormat{16000, 1, AudioFormat::SampleType::int16};
const QString absent = QStringLiteral("<absent>");

// One service over fakes, with everything it reports recorded on the main thread.
struct Harness {
    explicit Harness(bool withRecognizer = true,
                     std::chrono::milliseconds restartDelay = std::chrono::milliseconds(10),
                     bool withMicrophone = true)
        : capture(std::make_shared<FakeAudioCaptureDevice>(microphoneFormat))
        , recognizer(withRecognizer ? std::make_shared<FakeSpeechRecognizer>(recognizerFormat)
                                    : nullptr)
    {
        service = std::make_unique<WakeWordVoiceService>(WakeWordVoiceService::Dependencies{
            .capture = withMicrophone ? capture : nullptr,
            .converterFactory = converters.factory(),
            .recognizer = recognizer,
            .clock = [this] { return std::chrono::steady_clock::time_point(now.load()); },
            .restartDelay = restartDelay,
        });
        QThread* mainThread = QThread::currentThread();
        const auto record = [this, mainThread] {
            offMainThread |= QThread::currentThread() != mainThread;
        };
        QObject::connect(service.get(), &WakeWordListener::wakePhraseHeard,
                         [this, record](const HeardWakePhrase& heard) {
                             record();
                             wakes.append(heard.commandSuffix.value_or(absent));
                             heardClearly.append(heard.suffixHeardClearly);
                         });
        QObject::connect(service.get(), &WakeWordListener::listeningChanged,
                         [this, record](bool listening) {
                             record();
                             listeningStates.append(listening);
                         });
        QObject::connect(service.get(), &WakeWordListener::failed,
                         [this, record](const QString& message) {
                             record();
                             errors.append(message);
                         });
    }

    void advance(std::chrono::milliseconds by) { now.store(now.load() + by); }

    bool isListening() const { return !listeningStates.isEmpty() && listeningStates.last(); }

    FakeAudioConverterFactory converters;
    std::shared_ptr<FakeAudioCaptureDevice> capture;
    std::shared_ptr<FakeSpeechRecognizer> recognizer;
    std::atomic<std::chrono::steady_clock::duration> now{std::chrono::hours(1)};
    std::unique_ptr<WakeWordVoiceService> service;
    QStringList wakes;
    QList<bool> heardClearly;
    QList<bool> listeningStates;
    QStringList errors;
    bool offMainThread = false;
};

} // namespace

class TestWakeWordVoiceService final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startsListeningWithTheRequest();
    void wakeFromTranscripts_data();
    void wakeFromTranscripts();
    void repeatGuard_data();
    void repeatGuard();
    void startWhileListeningChangesNothing();
    void restartsAfterTheRecognitionEnds_data();
    void restartsAfterTheRecognitionEnds();
    void stopCancelsAPendingRestart();
    void lateResultAfterStopDoesNotWake();
    void failureIsReportedOnce_data();
    void failureIsReportedOnce();
    void failureIsReportedAgainAfterListeningWorked();
    void capturedAudioReachesTheRecognizerConverted();
    void destroyedWhileListeningReleasesTheMicrophone();
};

void TestWakeWordVoiceService::startsListeningWithTheRequest()
{
    Harness h;
    h.recognizer->setSupportsOnDeviceRecognition(false);
    h.service->start();
    QTRY_VERIFY(h.isListening());
    QCOMPARE(h.capture->calls(), QStringList({u"requestAccess"_qs, u"removeTap"_qs,
                                              u"installTap 1024"_qs, u"start"_qs}));
    QCOMPARE(h.recognizer->taskCount(), 1);
    const SpeechRecognitionRequest request = h.recognizer->requests().first();
    QVERIFY(request.shouldReportPartialResults);
    QVERIFY(!request.requiresOnDeviceRecognition);
    QVERIFY(h.errors.isEmpty());
    QVERIFY(!h.offMainThread);
}

void TestWakeWordVoiceService::wakeFromTranscripts_data()
{
    QTest::addColumn<QStringList>("partials");
    // Of the last partial's words.
    QTest::addColumn<QList<double>>("confidences");
    QTest::addColumn<QStringList>("expectedWakes");
    QTest::addColumn<bool>("expectedClear");

    QTest::newRow("suffix normalized") << QStringList{u"Hey Korva, open Safari"_qs}
                                       << QList<double>{} << QStringList{u"open safari"_qs} << true;
    QTest::newRow("phrase alone") << QStringList{u"hey korva"_qs} << QList<double>{}
                                  << QStringList{absent} << true;
    QTest::newRow("growing transcript stops at the first phrase")
        << QStringList{u"hey"_qs, u"hey korva open"_qs, u"hey korva open firefox"_qs}
        << QList<double>{} << QStringList{u"open"_qs} << true;
    // Only the suffix's words count: an unsure phrase does not spoil the command.
    QTest::newRow("unsure phrase, clear suffix")
        << QStringList{u"hey korva open files"_qs} << QList<double>{0.2, 0.3, 0.9, 0.9}
        << QStringList{u"open files"_qs} << true;
    QTest::newRow("one suffix word unsure")
        << QStringList{u"hey korva open files"_qs} << QList<double>{0.9, 0.9, 0.9, 0.3}
        << QStringList{u"open files"_qs} << false;
    QTest::newRow("fewer confidences than words")
        << QStringList{u"hey korva open files"_qs} << QList<double>{0.9}
        << QStringList{u"open files"_qs} << false;
    QTest::newRow("no phrase") << QStringList{u"hey there"_qs, u"what a day"_qs} << QList<double>{}
                               << QStringList{} << true;
}

void TestWakeWordVoiceService::wakeFromTranscripts()
{
    QFETCH(QStringList, partials);
    QFETCH(QList<double>, confidences);
    QFETCH(QStringList, expectedWakes);
    QFETCH(bool, expectedClear);

    Harness h;
    h.service->start();
    QTRY_VERIFY(h.isListening());
    for (qsizetype i = 0; i < partials.size(); ++i) {
        h.recognizer->deliver(SpeechRecognitionResult{
            .formattedString = partials.at(i),
            .wordConfidences = i + 1 == partials.size() ? confidences : QList<double>{},
        });
        h.advance(200ms);
    }
    if (expectedWakes.isEmpty()) {
        // A restart through a final result proves every partial was handled.
        h.recognizer->deliverFinal(partials.last());
        QTRY_COMPARE(h.recognizer->taskCount(), 2);
        QVERIFY(h.wakes.isEmpty());
        return;
    }
    QTRY_COMPARE(h.wakes, expectedWakes);
    QCOMPARE(h.heardClearly, QList<bool>{expectedClear});
    // Listening stopped before the wake was reported, and stays stopped.
    QCOMPARE(h.listeningStates, QList<bool>({true, false}));
    QVERIFY(!h.recognizer->hasLiveTask());
    QVERIFY(!h.capture->hasTap());
    QTest::qWait(50);
    QCOMPARE(h.recognizer->taskCount(), 1);
    QVERIFY(!h.offMainThread);
}

void TestWakeWordVoiceService::repeatGuard_data()
{
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<int>("expectedWakes");

    QTest::newRow("just under a second") << 999 << 1;
    QTest::newRow("a second") << 1000 << 2;
}

void TestWakeWordVoiceService::repeatGuard()
{
    QFETCH(int, gapMs);
    QFETCH(int, expectedWakes);

    Harness h;
    h.service->start();
    QTRY_VERIFY(h.isListening());
    h.recognizer->deliverPartial(u"hey korva"_qs);
    QTRY_COMPARE(h.wakes.size(), 1);

    // The owner starts again at once; the guard holds across the stop and start.
    h.advance(std::chrono::milliseconds(gapMs));
    h.service->start();
    QTRY_VERIFY(h.isListening());
    h.recognizer->deliverPartial(u"hey korva open mail"_qs);
    h.recognizer->deliverFinal(u"hey korva open mail"_qs);
    if (expectedWakes == 1) {
        // Not a wake: the final result ends the recognition, which restarts.
        QTRY_COMPARE(h.recognizer->taskCount(), 3);
    }
    QTRY_COMPARE(h.wakes.size(), expectedWakes);
    if (expectedWakes == 2)
        QCOMPARE(h.wakes.last(), u"open mail"_qs);
}

void TestWakeWordVoiceService::startWhileListeningChangesNothing()
{
    Harness h;
    h.service->start();
    QTRY_VERIFY(h.isListening());
    h.service->start();
    h.service->stop();
    QTRY_COMPARE(h.listeningStates, QList<bool>({true, false}));
    QCOMPARE(h.capture->callCount(u"installTap 1024"_qs), 1);
    QCOMPARE(h.capture->callCount(u"start"_qs), 1);
    QCOMPARE(h.recognizer->taskCount(), 1);
}

void TestWakeWordVoiceService::restartsAfterTheRecognitionEnds_data()
{
    QTest::addColumn<bool>("byError");
    QTest::newRow("final result") << false;
    QTest::newRow("recognizer error") << true;
}

void TestWakeWordVoiceService::restartsAfterTheRecognitionEnds()
{
    QFETCH(bool, byError);
    Harness h;
    h.service->start();
    QTRY_VERIFY(h.isListening());
    if (byError)
        h.recognizer->deliver(std::nullopt, u"The recognizer gave up."_qs);
    else
        h.recognizer->deliverFinal(u"what a lovely day"_qs);
    QTRY_COMPARE(h.listeningStates, QList<bool>({true, false, true}));
    QCOMPARE(h.recognizer->taskCount(), 2);
    QVERIFY(h.recognizer->hasLiveTask());
    QCOMPARE(h.capture->callCount(u"start"_qs), 2);
    // The recognizer's own error is never reported.
    QVERIFY(h.errors.isEmpty());
    QVERIFY(h.wakes.isEmpty());

    // The new recognition works like the first.
    h.recognizer->deliverPartial(u"hey korva pause the music"_qs);
    QTRY_COMPARE(h.wakes, QStringList{u"pause the music"_qs});
}

void TestWakeWordVoiceService::stopCancelsAPendingRestart()
{
    Harness h(true, 100ms);
    h.service->start();
    QTRY_VERIFY(h.isListening());
    h.recognizer->deliverFinal(u"nothing to see"_qs);
    h.service->stop();
    QTRY_COMPARE(h.listeningStates, QList<bool>({true, false}));
    QTest::qWait(400);
    QCOMPARE(h.listeningStates, QList<bool>({true, false}));
    QCOMPARE(h.recognizer->taskCount(), 1);
    QVERIFY(!h.capture->isRunning());
}

void TestWakeWordVoiceService::lateResultAfterStopDoesNotWake()
{
    Harness h;
    h.service->start();
    QTRY_VERIFY(h.isListening());
    h.service->stop();
    QTRY_COMPARE(h.listeningStates, QList<bool>({true, false}));
    // A partial result of the ended recognition still on its way, then a new start.
    h.recognizer->deliverLate(u"hey korva open safari"_qs);
    h.service->start();
    QTRY_COMPARE(h.listeningStates, QList<bool>({true, false, true}));
    QTest::qWait(20);
    QVERIFY(h.wakes.isEmpty());
}

void TestWakeWordVoiceService::failureIsReportedOnce_data()
{
    QTest::addColumn<QString>("cause");
    QTest::addColumn<QString>("expected");

    const QString noMicrophone = WakeWordVoiceService::noMicrophoneMessage();
    QTest::newRow("no input device") << u"no device"_qs << noMicrophone;
    QTest::newRow("no access") << u"access refused"_qs << noMicrophone;
    QTest::newRow("microphone cannot open")
        << u"start fails"_qs
        << WakeWordVoiceService::microphoneFailedMessage(u"The microphone is busy."_qs);
    QTest::newRow("no recognizer")
        << u"no recognizer"_qs << WakeWordVoiceService::noRecognizerMessage();
    QTest::newRow("speech model missing")
        << u"recognizer unavailable"_qs << FakeSpeechRecognizer::unavailableSentence();
    QTest::newRow("unconvertible audio")
        << u"no converter"_qs
        << u"The microphone's audio cannot be converted for speech recognition."_qs;
}

void TestWakeWordVoiceService::failureIsReportedOnce()
{
    QFETCH(QString, cause);
    QFETCH(QString, expected);

    Harness h(cause != u"no recognizer", 10ms, cause != u"no device");
    if (cause == u"access refused")
        h.capture->setAccessGranted(false);
    if (cause == u"start fails")
        h.capture->setStartError(u"The microphone is busy."_qs);
    if (cause == u"recognizer unavailable")
        h.recognizer->setAvailable(false);
    if (cause == u"no converter")
        h.converters.setAvailable(false);

    // Every later start fails alike: the person is told once.
    h.service->start();
    QTRY_COMPARE(h.errors, QStringList{expected});
    h.service->start();
    h.service->start();
    QTest::qWait(50);
    QCOMPARE(h.errors, QStringList{expected});
    QVERIFY(h.listeningStates.isEmpty());
    QVERIFY(!h.capture->isRunning());
    QVERIFY(!h.capture->hasTap());
    if (h.recognizer)
        QVERIFY(!h.recognizer->hasLiveTask());
}

void TestWakeWordVoiceService::failureIsReportedAgainAfterListeningWorked()
{
    Harness h;
    h.capture->setStartError(u"The microphone is busy."_qs);
    h.service->start();
    QTRY_COMPARE(h.errors.size(), 1);
    h.capture->setStartError(std::nullopt);
    h.service->start();
    QTRY_VERIFY(h.isListening());
    h.service->stop();
    QTRY_VERIFY(!h.isListening());
    h.capture->setStartError(u"The microphone is busy."_qs);
    h.service->start();
    QTRY_COMPARE(h.errors.size(), 2);
}

void TestWakeWordVoiceService::capturedAudioReachesTheRecognizerConverted()
{
    Harness h;
    h.service->start();
    QTRY_VERIFY(h.isListening());
    QCOMPARE(h.converters.madeCount(), 1);
    QCOMPARE(h.converters.sources().first(), microphoneFormat);
    QCOMPARE(h.converters.targets().first(), recognizerFormat);

    // The device's own audio thread delivers.
    std::thread device([&h] {
        for (int i = 0; i < 5; ++i)
            h.capture->push(h.capture->makeBuffer(1024, char(i)));
    });
    device.join();
    QCOMPARE(h.recognizer->appendedBufferCount(), 5);
    for (const AudioFormat& format : h.recognizer->appendedFormats())
        QCOMPARE(format, recognizerFormat);

    // Nothing reaches the recognizer once listening stopped.
    h.service->stop();
    QTRY_VERIFY(!h.isListening());
    QVERIFY(!h.capture->push(h.capture->makeBuffer(1024)));
    QCOMPARE(h.recognizer->appendedBufferCount(), 5);
    QCOMPARE(h.recognizer->endAudioCount(), 1);
}

void TestWakeWordVoiceService::destroyedWhileListeningReleasesTheMicrophone()
{
    Harness h;
    h.service->start();
    QTRY_VERIFY(h.isListening());
    h.service.reset();
    QVERIFY(!h.capture->isRunning());
    QVERIFY(!h.capture->hasTap());
    QVERIFY(!h.recognizer->hasLiveTask());
    // Posted callbacks died with the service.
    QTest::qWait(20);
    QCOMPARE(h.listeningStates, QList<bool>{true});
}

QTEST_GUILESS_MAIN(TestWakeWordVoiceService)
#include "tst_wakewordvoiceservice.moc"
