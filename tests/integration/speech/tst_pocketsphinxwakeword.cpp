// SPDX-License-Identifier: GPL-3.0-or-later
#include "SpokenClip.h"
#include "platform/linux/pocketsphinx/PocketsphinxRecognizer.h"
#include "speech/WakeWordVoiceService.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>

using namespace korvane;
using namespace korvane::test;

namespace {

const QString wakeSentence = QStringLiteral("hey korva open firefox");

} // namespace

class TestPocketsphinxWakeWord final : public QObject {
    Q_OBJECT

    QTemporaryDir m_scratch;
    std::shared_ptr<PocketsphinxRecognizer> m_recognizer;

    QByteArray clip(const QString& text, int rate)
    {
        QString why;
        const QTemporaryDir dir(m_scratch.path() + u"/clip-XXXXXX"_qs);
        const auto pcm = renderSpeech(text, rate, dir.path(), &why);
        if (!pcm)
            qWarning("%s", qPrintable(why));
        return pcm.value_or(QByteArray());
    }

    // Feeds `pcm` to a new recognition and ends its audio.
    std::shared_ptr<SpeechRecognitionTask> recognize(const QByteArray& pcm,
                                                     SpeechRecognizer::ResultHandler handler)
    {
        auto task = m_recognizer->recognitionTask(
            SpeechRecognitionRequest{.contextualStrings =
                                         WakeWordVoiceService::contextualStrings()},
            std::move(handler));
        for (qsizetype at = 0; at < pcm.size(); at += 2048)
            task->append(AudioBuffer{m_recognizer->audioFormat(), pcm.mid(at, 2048)});
        task->endAudio();
        return task;
    }

private Q_SLOTS:
    void initTestCase()
    {
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

    // A cancelled recognition stays silent; the one after it transcribes with a confidence
    // for every word.
    void recognizerTranscribes()
    {
        const QByteArray pcm = clip(wakeSentence, 16000);
        QVERIFY(!pcm.isEmpty());
        std::atomic<int> cancelledCalls{0};
        const auto cancelled =
            m_recognizer->recognitionTask({}, [&](std::optional<SpeechRecognitionResult>,
                                                  std::optional<QString>) { ++cancelledCalls; });
        cancelled->append(AudioBuffer{m_recognizer->audioFormat(), pcm.left(pcm.size() / 2)});
        cancelled->cancel();
        const int afterCancel = cancelledCalls;
        cancelled->append(AudioBuffer{m_recognizer->audioFormat(), pcm.mid(pcm.size() / 2)});
        cancelled->endAudio();

        QMutex mutex;
        std::optional<SpeechRecognitionResult> final;
        std::optional<QString> error;
        const auto task = recognize(pcm, [&](std::optional<SpeechRecognitionResult> result,
                                             std::optional<QString> failure) {
            QMutexLocker lock(&mutex);
            error = failure;
            if (result && result->isFinal)
                final = result;
        });
        const auto finished = [&] {
            QMutexLocker lock(&mutex);
            return final.has_value();
        };
        QTRY_VERIFY_WITH_TIMEOUT(finished(), 30000);
        QMutexLocker lock(&mutex);
        QVERIFY(!error);
        const QStringList words = final->formattedString.split(u' ');
        QVERIFY2(words.contains(u"open"_qs), qPrintable(final->formattedString));
        QCOMPARE(final->wordConfidences.size(), words.size());
        QCOMPARE(m_recognizer->backlog(), std::chrono::milliseconds(0));
        QCOMPARE(cancelledCalls.load(), afterCancel);
    }

    void listenCommandOnFiles_data()
    {
        QTest::addColumn<QString>("sentence");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        // The word the suffix holds; empty for a wake without one; absent for no wake at all.
        QTest::addColumn<std::optional<QString>>("suffixWord");
        QTest::newRow("wake with command, 44.1 kHz stereo")
            << wakeSentence << 44100 << 2 << std::optional<QString>(u"open"_qs);
        QTest::newRow("wake alone, 22.05 kHz mono")
            << u"hey korva"_qs << 22050 << 1 << std::optional<QString>(QString());
        QTest::newRow("no wake, 16 kHz mono") << u"the weather is nice today in the park"_qs
                                              << 16000 << 1 << std::optional<QString>();
    }

    void listenCommandOnFiles()
    {
        QFETCH(QString, sentence);
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(std::optional<QString>, suffixWord);
        const QByteArray mono = clip(sentence, rate);
        QVERIFY(!mono.isEmpty());
        const QString path = m_scratch.filePath(u"clip.wav"_qs);
        QVERIFY(writeWave(path, mono, rate, channels));

        QProcess cli;
        cli.start(QCoreApplication::applicationDirPath() + u"/korvane-cli"_qs,
                  {u"listen"_qs, u"--file"_qs, path});
        QVERIFY(cli.waitForFinished(60000));
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        QCOMPARE(cli.exitCode(), 0);
        QList<QByteArray> wakes = cli.readAllStandardOutput().trimmed().split('\n');
        QCOMPARE(wakes.takeLast(), QByteArray("{\"event\":\"end\"}"));
        QCOMPARE(wakes.size(), suffixWord ? 1 : 0);
        if (!suffixWord)
            return;
        const QJsonObject wake = QJsonDocument::fromJson(wakes.first()).object();
        QCOMPARE(wake.keys(), QStringList({u"at"_qs, u"event"_qs, u"suffix"_qs}));
        QCOMPARE(wake.value(u"event"), u"wake"_qs);
        const double seconds = double(mono.size()) / 2 / rate;
        QVERIFY2(wake.value(u"at").toDouble() > 0.3 && wake.value(u"at").toDouble() <= seconds + 2,
                 wakes.first().constData());
        if (suffixWord->isEmpty())
            QVERIFY(wake.value(u"suffix").isNull());
        else
            QVERIFY(wake.value(u"suffix").toString().split(u' ').contains(*suffixWord));
    }
};

QTEST_GUILESS_MAIN(TestPocketsphinxWakeWord)
#include "tst_pocketsphinxwakeword.moc"
