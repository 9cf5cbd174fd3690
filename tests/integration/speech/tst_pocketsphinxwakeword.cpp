// SPDX-License-Identifier: GPL-3.0-or-later
#include "SpokenClip.h"
#include "platform/linux/pocketsphinx/PocketsphinxRecognizer.h"
#include "speech/WakeWordVoiceService.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QMutexLocker>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>

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
    QList<double> confidences;
    std::optional<QString> error;
};

} // namespace

class TestPocketsphinxWakeWord final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void recognizerTranscribes();
    void cancelledRecognitionStaysSilent();
    void listenCommandOnFiles_data();
    void listenCommandOnFiles();

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

void TestPocketsphinxWakeWord::recognizerTranscribes()
{
    const QByteArray pcm = clip(wakeSentence, 16000);
    QVERIFY(!pcm.isEmpty());
    auto transcripts = std::make_shared<Transcripts>();
    const auto task = m_recognizer->recognitionTask(
        SpeechRecognitionRequest{true, u"search"_qs, WakeWordVoiceService::contextualStrings(),
                                 true},
        [transcripts](std::optional<SpeechRecognitionResult> result, std::optional<QString> error) {
            QMutexLocker lock(&transcripts->mutex);
            if (error)
                transcripts->error = error;
            if (result && result->isFinal) {
                transcripts->final = result->formattedString;
                transcripts->confidences = result->wordConfidences;
            } else if (result) {
                transcripts->partials.append(result->formattedString);
            }
        });
    const AudioFormat format = m_recognizer->audioFormat();
    for (qsizetype at = 0; at < pcm.size(); at += 2048)
        task->append(AudioBuffer{format, pcm.mid(at, 2048)});
    task->endAudio();

    const auto finalText = [&] {
        QMutexLocker lock(&transcripts->mutex);
        return transcripts->final;
    };
    QTRY_VERIFY_WITH_TIMEOUT(finalText().has_value(), 30000);
    QMutexLocker lock(&transcripts->mutex);
    qInfo() << "final:" << *transcripts->final << transcripts->confidences;
    QVERIFY(!transcripts->error);
    QVERIFY(transcripts->partials.isEmpty());
    const QStringList words = transcripts->final->split(u' ');
    QVERIFY2(words.contains(u"open"_qs), qPrintable(*transcripts->final));
    QCOMPARE(transcripts->confidences.size(), words.size());
    QVERIFY(m_recognizer->backlog() == std::chrono::milliseconds(0));
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

void TestPocketsphinxWakeWord::listenCommandOnFiles_data()
{
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    // The word the suffix holds; empty for a wake without one; absent for no wake at all.
    QTest::addColumn<std::optional<QString>>("suffixWord");

    QTest::newRow("wake with command, 44.1 kHz stereo")
        << wakeSentence << 44100 << 2 << std::optional<QString>(u"open"_qs);
    QTest::newRow("wake alone, 22.05 kHz mono")
        << u"hey korva"_qs << espeakRate << 1 << std::optional<QString>(QString());
    QTest::newRow("no wake, 16 kHz mono")
        << otherSentence << 16000 << 1 << std::optional<QString>();
}

void TestPocketsphinxWakeWord::listenCommandOnFiles()
{
    QFETCH(QString, sentence);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(std::optional<QString>, suffixWord);

    const QByteArray mono = clip(sentence, rate);
    QVERIFY(!mono.isEmpty());
    QByteArray frames;
    for (qsizetype at = 0; at + 1 < mono.size(); at += 2) {
        for (int channel = 0; channel < channels; ++channel)
            frames.append(mono.mid(at, 2));
    }
    const QString path = m_scratch.filePath(u"clip.wav"_qs);
    QVERIFY(writeWave(path, frames, rate, channels));

    QProcess cli;
    cli.start(QCoreApplication::applicationDirPath() + u"/korvane-cli"_qs,
              {u"listen"_qs, u"--file"_qs, path});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), 0);
    const QList<QByteArray> lines = cli.readAllStandardOutput().trimmed().split('\n');
    qInfo() << lines;
    QCOMPARE(lines.last(), QByteArray(R"({"event":"end"})"));
    const QList<QByteArray> wakes = lines.mid(0, lines.size() - 1);
    if (!suffixWord) {
        QVERIFY(wakes.isEmpty());
        return;
    }
    QCOMPARE(wakes.size(), 1);
    const QJsonObject wake = QJsonDocument::fromJson(wakes.first()).object();
    QCOMPARE(wake.keys(), QStringList({u"at"_qs, u"event"_qs, u"suffix"_qs}));
    QVERIFY(wakes.first().startsWith(R"({"event":"wake","suffix":)"));
    const double seconds = double(mono.size()) / 2 / rate;
    QVERIFY2(wake.value(u"at").toDouble() > 0.3 && wake.value(u"at").toDouble() <= seconds + 2,
             wakes.first().constData());
    if (suffixWord->isEmpty())
        QVERIFY(wake.value(u"suffix").isNull());
    else
        QVERIFY(wake.value(u"suffix").toString().split(u' ').contains(*suffixWord));
}

QTEST_GUILESS_MAIN(TestPocketsphinxWakeWord)
#include "tst_pocketsphinxwakeword.moc"
