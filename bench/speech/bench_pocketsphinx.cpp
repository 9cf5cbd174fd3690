// SPDX-License-Identifier: GPL-3.0-or-later
#include "../../tests/integration/speech/SpokenClip.h"
#include "platform/linux/pocketsphinx/PocketsphinxRecognizer.h"
#include "speech/WakeWordVoiceService.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <atomic>
#include <thread>

using namespace korvane;

// Real-time factor of the recognizer (decoding time ÷ audio time) on espeak-ng speech, the
// median of several runs.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    QString why;
    const auto pcm = test::renderSpeech(u"hey korva open firefox"_qs, 16000, dir.path(), &why);
    if (!pcm) {
        out << "skipped: " << why << Qt::endl;
        return 0;
    }
    auto recognizer = PocketsphinxRecognizer::create(
        PocketsphinxRecognizer::Options{.phrases = WakeWordVoiceService::defaultWakePhrases()});
    if (!recognizer || !recognizer->waitUntilLoaded()) {
        out << "skipped: no pocketsphinx model" << Qt::endl;
        return 0;
    }
    const double audioSeconds = double(pcm->size()) / 2 / 16000;
    QList<double> factors;
    for (int run = 0; run < 7; ++run) {
        std::atomic<bool> finished{false};
        QElapsedTimer timer;
        timer.start();
        auto task = recognizer->recognitionTask(
            SpeechRecognitionRequest{true, u"search"_qs, WakeWordVoiceService::contextualStrings(),
                                     true},
            [&finished](std::optional<SpeechRecognitionResult> result,
                        std::optional<QString> error) {
                if (error || (result && result->isFinal))
                    finished = true;
            });
        for (qsizetype at = 0; at < pcm->size(); at += 2048)
            task->append(AudioBuffer{recognizer->audioFormat(), pcm->mid(at, 2048)});
        task->endAudio();
        while (!finished)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        factors.append(timer.nsecsElapsed() / 1e9 / audioSeconds);
    }
    std::sort(factors.begin(), factors.end());
    out << "audio " << audioSeconds << " s; real-time factor median " << factors[factors.size() / 2]
        << " (min " << factors.first() << ", max " << factors.last() << ")" << Qt::endl;
    return 0;
}
