#include "SpokenClip.h"
#include "fakes/FakeAudioCaptureDevice.h"
#include "platform/linux/audio/SoxrAudioConverter.h"
#include "platform/linux/pocketsphinx/PocketsphinxRecognizer.h"
#include "speech/WakeWordVoiceService.h"

#include <QMutex>
#include <QMutexLocker>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

using namespace korvane;
using namespace korvane::test;

namespace {

constexpr int espeakRate = 22050;
const QString wakeSentence = QStringLiteral("hey korva open firefox");
const QString otherSentence = QStringLiteral("the weather is nice today in the park");

struct Transcripts {
    QMutex mutex;
    QStringList partials;
    std::optional<QString> final;
    std::optional<QString> error;
};

} // namespace

class TestPocketsphinxWakeWord final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void recognizerTranscribes_data();
    void recognizerTranscribes();
    void serviceWakes_data();
    void serviceWakes();
    void cancelledRecognitionStaysSilent();

private:
    QByteArray clip(const QString& text, int rate);

    QTemporaryDir m_scratch;
    std::shared_ptr<PocketsphinxRecognizer> m_recognizer;
};

QByteArray TestPocketsphinxWakeWord::clip(const QString& text, int rate)
{
    QString why;
    const QTemporaryDir dir(m_scratch.path() + u"/clip-XXXXXX"_qs);
    const auto pcm = renderSpeech(text, rate, dir.path(), &why);
    if (!pcm)
        qWarning("%s", qPrintable(why));
    return pcm.value_or(QByteArray());
}

void TestPocketsphinxWakeWord::initTestCase()
{
    QVERIFY(m_scratch.isValid());
    QString why;
    if (!renderSpeech(u"test"_qs, 16000, m_scratch.path(), &why))
        QSKIP(qPrintable(u"Cannot render speech: "_qs + why));
    m_recognizer = PocketsphinxRecognizer::create(
        PocketsphinxRecognizer::Options{.phrases = WakeWordVoiceService::defaultWakePhrases()});
    if (!m_recognizer)
        QSKIP("The pocketsphinx US English model (pocketsphinx-en-us) is not installed");
    if (!m_recognizer->waitUntilLoaded())
        QSKIP("The pocketsphinx decoder could not load its model");
}

void TestPocketsphinxWakeWord::recognizerTranscribes_data()
{
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<QString>("expectedWord");

    QTest::newRow("wake phrase and command") << wakeSentence << u"open"_qs;
    QTest::newRow("other sentence") << otherSentence << u"weather"_qs;
}

void TestPocketsphinxWakeWord::recognizerTranscribes()
{
    QFETCH(QString, sentence);
    QFETCH(QString, expectedWord);

    const QByteArray pcm = clip(sentence, 16000);
    QVERIFY(!pcm.isEmpty());
    auto transcripts = std::make_shared<Transcripts>();
    const auto task = m_recognizer->recognitionTask(
        SpeechRecognitionRequest{true, u"search"_qs, WakeWordVoiceService::contextualStrings(),
                                 true},
        [transcripts](std::optional<SpeechRecognitionResult> result, std::optional<QString> error) {
            QMutexLocker lock(&transcripts->mutex);
            if (error)
                transcripts->error = error;
            if (result && result->isFinal)
                transcripts->final = result->formattedString;
            else if (result)
                transcripts->partials.append(result->formattedString);
        });
    const AudioFormat format = m_recognizer->audioFormat();
    for (qsizetype at = 0; at < pcm.size(); at += 2048)
        task->append(AudioBuffer{format, pcm.mid(at, 2048)});

    const auto finalText = [&] {
        QMutexLocker lock(&transcripts->mutex);
        return transcripts->final;
    };
    // The silence after the speech ends the recognition without endAudio().
    QTRY_VERIFY_WITH_TIMEOUT(finalText().has_value(), 30000);
    QMutexLocker lock(&transcripts->mutex);
    qInfo() << "partials:" << transcripts->partials << "final:" << *transcripts->final;
    QVERIFY(!transcripts->error);
    QVERIFY2(transcripts->final->split(u' ').contains(expectedWord),
             qPrintable(*transcripts->final));
    QVERIFY(!transcripts->partials.isEmpty());
}

void TestPocketsphinxWakeWord::serviceWakes_data()
{
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<bool>("wakes");

    QTest::newRow("wake phrase and command") << wakeSentence << true;
    QTest::newRow("no wake phrase") << otherSentence << false;
}

void TestPocketsphinxWakeWord::serviceWakes()
{
    QFETCH(QString, sentence);
    QFETCH(bool, wakes);

    const AudioFormat microphone{espeakRate, 1, AudioFormat::SampleType::int16};
    const QByteArray pcm = clip(sentence, espeakRate);
    QVERIFY(!pcm.isEmpty());
    auto capture = std::make_shared<FakeAudioCaptureDevice>(microphone);
    WakeWordVoiceService service({
        .capture = capture,
        .converterFactory = &createAudioConverter,
        .recognizer = m_recognizer,
    });
    QList<std::optional<QString>> heard;
    QList<bool> listening;
    QStringList errors;
    service.onWake = [&](std::optional<QString> suffix) { heard.append(suffix); };
    service.onListeningStateChange = [&](bool state) { listening.append(state); };
    service.onError = [&](QString message) { errors.append(message); };
    service.start();
    QTRY_COMPARE(listening, QList<bool>{true});

    // The microphone's thread, a little faster than real time.
    std::atomic<bool> done{false};
    std::jthread microphoneThread([&] {
        const qsizetype bytes = qsizetype(WakeWordVoiceService::tapBufferFrames) * 2;
        for (qsizetype at = 0; at < pcm.size(); at += bytes) {
            if (!capture->push(AudioBuffer{microphone, pcm.mid(at, bytes)}))
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        done = true;
    });

    if (wakes) {
        QTRY_VERIFY_WITH_TIMEOUT(!heard.isEmpty(), 30000);
        qInfo() << "suffix:" << heard.first().value_or(u"<absent>"_qs);
        QVERIFY(heard.first().has_value());
        QVERIFY2(heard.first()->split(u' ').contains(u"open"_qs), qPrintable(*heard.first()));
        QCOMPARE(listening.last(), false);
    } else {
        // The pause after the sentence ends the recognition, which restarts listening.
        QTRY_VERIFY_WITH_TIMEOUT(listening.size() >= 3, 30000);
        QVERIFY(heard.isEmpty());
    }
    QTRY_VERIFY_WITH_TIMEOUT(done.load(), 30000);
    QVERIFY(errors.isEmpty());
}

void TestPocketsphinxWakeWord::cancelledRecognitionStaysSilent()
{
    const QByteArray pcm = clip(wakeSentence, 16000);
    QVERIFY(!pcm.isEmpty());
    std::atomic<int> calls{0};
    auto task = m_recognizer->recognitionTask(
        SpeechRecognitionRequest{},
        [&calls](std::optional<SpeechRecognitionResult>, std::optional<QString>) { ++calls; });
    const AudioFormat format = m_recognizer->audioFormat();
    task->append(AudioBuffer{format, pcm.left(pcm.size() / 2)});
    task->cancel();
    const int afterCancel = calls.load();
    task->append(AudioBuffer{format, pcm.mid(pcm.size() / 2)});
    task->endAudio();

    // A later recognition finishing proves the decoder got past the cancelled one's audio.
    std::atomic<bool> finished{false};
    auto next = m_recognizer->recognitionTask(
        SpeechRecognitionRequest{},
        [&finished](std::optional<SpeechRecognitionResult> result, std::optional<QString>) {
            if (result && result->isFinal)
                finished = true;
        });
    next->endAudio();
    QTRY_VERIFY_WITH_TIMEOUT(finished.load(), 30000);
    QCOMPARE(calls.load(), afterCancel);
}

QTEST_GUILESS_MAIN(TestPocketsphinxWakeWord)
#include "tst_pocketsphinxwakeword.moc"
