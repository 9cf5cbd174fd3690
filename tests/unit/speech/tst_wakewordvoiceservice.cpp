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
const QString busy = QStringLiteral("The microphone is busy.");

// One service over fakes, with what it reports recorded as text: "listening", "stopped",
// "wake SUFFIX" ("wake" alone without one, "(unclear)" after it when not heard clearly), "error
// MESSAGE".
struct Harness {
    explicit Harness(bool withMicrophone = true, bool withRecognizer = true)
        : capture(std::make_shared<FakeAudioCaptureDevice>(microphoneFormat))
        , recognizer(withRecognizer ? std::make_shared<FakeSpeechRecognizer>(recognizerFormat)
                                    : nullptr)
    {
        service = std::make_unique<WakeWordVoiceService>(WakeWordVoiceService::Dependencies{
            .capture = withMicrophone ? capture : nullptr,
            .converterFactory = converters.factory(),
            .recognizer = recognizer,
            .clock = [this] { return std::chrono::steady_clock::time_point(now.load()); },
            .restartDelay = 100ms,
        });
        const auto record = [this](const QString& line) {
            offMainThread |= QThread::currentThread() != mainThread;
            lines.append(line);
        };
        QObject::connect(service.get(), &WakeWordListener::wakePhraseHeard,
                         [record](const HeardWakePhrase& heard) {
                             const auto& suffix = heard.commandSuffix;
                             record(u"wake"_qs + (suffix ? u' ' + *suffix : QString()) +
                                    (heard.suffixHeardClearly ? u""_qs : u" (unclear)"_qs));
                         });
        QObject::connect(service.get(), &WakeWordListener::listeningChanged,
                         [record](bool on) { record(on ? u"listening"_qs : u"stopped"_qs); });
        QObject::connect(service.get(), &WakeWordListener::failed,
                         [record](const QString& message) { record(u"error "_qs + message); });
    }

    QString log() const { return lines.join(u", "_qs); }
    bool isListening() const
    {
        return lines.lastIndexOf(u"listening") > lines.lastIndexOf(u"stopped");
    }

    void startListening()
    {
        service->start();
        QTRY_VERIFY(isListening());
    }

    QThread* const mainThread = QThread::currentThread();
    FakeAudioConverterFactory converters;
    std::shared_ptr<FakeAudioCaptureDevice> capture;
    std::shared_ptr<FakeSpeechRecognizer> recognizer;
    std::atomic<std::chrono::steady_clock::duration> now{std::chrono::hours(1)};
    std::unique_ptr<WakeWordVoiceService> service;
    QStringList lines;
    bool offMainThread = false;
};

// A partial result; "TEXT [0.9 0.3]" rates its last words.
SpeechRecognitionResult heard(const QString& text)
{
    const qsizetype ratings = text.indexOf(u" ["_qs);
    SpeechRecognitionResult result{.formattedString = text.left(ratings)};
    if (ratings >= 0) {
        for (const QString& rating : text.mid(ratings + 2).chopped(1).split(u' '))
            result.wordConfidences.append(rating.toDouble());
    }
    return result;
}

// Plays `steps`, separated by commas, on a service of its own: "start", "stop", "listening"
// waits for the next start of listening, "hear TEXT" and "final TEXT" deliver a partial (see
// heard()) and a final result, "give up" a recognizer error, "later MS" moves the clock, "wait"
// lets 0.4 s pass; "no device", "no recognizer", "deny", "busy", "no model", "no converter" break
// what listening needs, "fixed" mends the microphone. Compares what the service reported with
// `log`.
void play(const QString& steps, const QString& log)
{
    const QStringList list = steps.split(u", "_qs);
    Harness h(!list.contains(u"no device"_qs), !list.contains(u"no recognizer"_qs));
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QString& step = list.at(i);
        const QString text = step.section(u' ', 1);
        if (step == u"start")
            h.service->start();
        else if (step == u"stop")
            h.service->stop();
        else if (step == u"listening")
            QTRY_VERIFY(h.lines.count(step) >= list.first(i + 1).count(step) && h.isListening());
        else if (step.startsWith(u"hear "))
            h.recognizer->deliver(heard(text));
        else if (step.startsWith(u"final "))
            h.recognizer->deliverFinal(text);
        else if (step == u"give up")
            h.recognizer->deliver(std::nullopt, u"The recognizer gave up."_qs);
        else if (step.startsWith(u"later "))
            h.now.store(h.now.load() + std::chrono::milliseconds(text.toInt()));
        else if (step == u"wait")
            QTest::qWait(400);
        else if (step == u"deny")
            h.capture->setAccessGranted(false);
        else if (step == u"busy" || step == u"fixed")
            h.capture->setStartError(step == u"busy" ? std::optional(busy) : std::nullopt);
        else if (step == u"no model")
            h.recognizer->setAvailable(false);
        else if (step == u"no converter")
            h.converters.available = false;
    }
    QTRY_COMPARE(h.log(), log);
    QTest::qWait(50);
    QCOMPARE(h.log(), log);
    // Without failures, each start of listening opened the microphone once; what it opened is
    // held only while listening.
    if (!log.contains(u"error "))
        QCOMPARE(h.capture->calls().count(u"installTap 1024"_qs), h.lines.count(u"listening"_qs));
    QCOMPARE(h.capture->isRunning(), h.isListening());
    QCOMPARE(h.capture->hasTap(), h.isListening());
    QCOMPARE(h.recognizer && h.recognizer->hasLiveTask(), h.isListening());
    QVERIFY(!h.offMainThread);
}

} // namespace

class TestWakeWordVoiceService final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Once heard, the phrase is not heard again for a second, across a stop and a start.
    void repeatGuard_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("log");
        const QString steps = u"start, listening, hear hey korva, start, listening, later %1, "
                              u"hear hey korva open mail, final hey korva open mail"_qs;
        QTest::newRow("just under a second")
            << steps.arg(999) << u"listening, stopped, wake, listening, stopped, listening"_qs;
        QTest::newRow("a second")
            << steps.arg(1000)
            << u"listening, stopped, wake, listening, stopped, wake open mail"_qs;
    }

    void repeatGuard()
    {
        QFETCH(QString, steps);
        QFETCH(QString, log);
        play(steps, log);
    }

    void lifecycle_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("log");
        // Listening stops before the wake is reported, and stays stopped.
        QTest::newRow("suffix normalized") << u"start, listening, hear Hey Korva! Open Safari."_qs
                                           << u"listening, stopped, wake open safari"_qs;
        QTest::newRow("growing transcript stops at the first phrase")
            << u"start, listening, hear hey, hear hey korva open, hear hey korva open firefox"_qs
            << u"listening, stopped, wake open"_qs;
        // Only the suffix's words count: an unsure phrase does not spoil the command.
        QTest::newRow("unsure phrase, clear suffix")
            << u"start, listening, hear hey korva open files [0.2 0.3 0.9 0.9]"_qs
            << u"listening, stopped, wake open files"_qs;
        QTest::newRow("one suffix word unsure")
            << u"start, listening, hear hey korva open files [0.9 0.9 0.9 0.3]"_qs
            << u"listening, stopped, wake open files (unclear)"_qs;
        QTest::newRow("fewer ratings than words")
            << u"start, listening, hear hey korva open files [0.9]"_qs
            << u"listening, stopped, wake open files (unclear)"_qs;
        QTest::newRow("no phrase")
            << u"start, listening, hear hey there, hear what a day"_qs << u"listening"_qs;
        QTest::newRow("a start while listening changes nothing")
            << u"start, listening, start, stop"_qs << u"listening, stopped"_qs;
        // The recognizer's own error is never reported; the new recognition works like the first.
        QTest::newRow("restart after a final result")
            << u"start, listening, final what a lovely day, listening, hear hey korva pause"_qs
            << u"listening, stopped, listening, stopped, wake pause"_qs;
        QTest::newRow("restart after a recognizer error")
            << u"start, listening, give up, listening, hear hey korva pause"_qs
            << u"listening, stopped, listening, stopped, wake pause"_qs;
        // A stop cancels the restart a final result scheduled; a result of the ended
        // recognition still on its way wakes nothing.
        QTest::newRow("results after a stop")
            << u"start, listening, final nothing, stop, wait, hear hey korva open, start, "
               u"listening"_qs
            << u"listening, stopped, listening"_qs;

        // Every later start fails alike: the person is told once, until listening has worked.
        const auto told = [](const QString& message) -> QString { return u"error "_qs + message; };
        const QString noMicrophone = told(WakeWordVoiceService::noMicrophoneMessage());
        const QString failed = told(WakeWordVoiceService::microphoneFailedMessage(busy));
        QTest::newRow("no input device") << u"no device, start, start, start"_qs << noMicrophone;
        QTest::newRow("no access") << u"deny, start, start, start"_qs << noMicrophone;
        QTest::newRow("microphone cannot open") << u"busy, start, start, start"_qs << failed;
        QTest::newRow("no recognizer") << u"no recognizer, start, start"_qs
                                       << told(WakeWordVoiceService::noRecognizerMessage());
        QTest::newRow("speech model missing")
            << u"no model, start, start"_qs << told(FakeSpeechRecognizer::missingModel);
        QTest::newRow("unconvertible audio")
            << u"no converter, start, start"_qs
            << told(u"The microphone's audio cannot be converted for speech recognition."_qs);
        QTest::newRow("told again after listening worked")
            << u"busy, start, wait, fixed, start, listening, stop, busy, start"_qs
            << failed + u", listening, stopped, "_qs + failed;
    }

    void lifecycle()
    {
        QFETCH(QString, steps);
        QFETCH(QString, log);
        play(steps, log);
    }

    void capturedAudioReachesTheRecognizerConverted()
    {
        Harness h;
        h.startListening();
        QCOMPARE(h.converters.targets(), QList<AudioFormat>{recognizerFormat});
        // The device's own audio thread delivers.
        std::thread device([&h] {
            for (int i = 0; i < 5; ++i)
                h.capture->push(h.capture->makeBuffer(1024, char(i)));
        });
        device.join();
        QCOMPARE(h.recognizer->appendedFormats(), QList<AudioFormat>(5, recognizerFormat));
        // Nothing reaches the recognizer once listening stopped.
        h.service->stop();
        QTRY_VERIFY(!h.isListening());
        QVERIFY(!h.capture->push(h.capture->makeBuffer(1024)));
        QCOMPARE(h.recognizer->appendedFormats().size(), 5);
    }

    void destroyedWhileListeningReleasesTheMicrophone()
    {
        Harness h;
        h.startListening();
        h.service.reset();
        QVERIFY(!h.capture->isRunning());
        QVERIFY(!h.capture->hasTap());
        QVERIFY(!h.recognizer->hasLiveTask());
        // Posted signals died with the service.
        QTest::qWait(20);
        QCOMPARE(h.log(), u"listening"_qs);
    }
};

QTEST_GUILESS_MAIN(TestWakeWordVoiceService)
#include "tst_wakewordvoiceservice.moc"
