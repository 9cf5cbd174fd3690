// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/SpeechRecognizer.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>

namespace korvane {

// Offline wake phrase recognition with pocketsphinx and its US English model, in two stages so
// that listening costs little while nobody says the phrase:
// - a keyphrase spotter (the acoustic model and a dictionary of the phrases' words only) hears
//   every buffer;
// - when it spots a phrase, a transcriber (the general language model blended with the
//   phrases) decodes the audio from a little before the spot to the next pause, and that
//   transcript, with a confidence for each word, is the recognition's one and final result.
// The transcriber is loaded when first needed and freed once unused for a while. Decoding runs
// on the recognizer's own thread; audio waits in its queue while the transcriber loads.
class PocketsphinxRecognizer final : public SpeechRecognizer {
public:
    struct Options {
        QString locale = QStringLiteral("en_US");
        // Holds en-us/ (the acoustic model), en-us.lm.bin and cmudict-en-us.dict.
        QString modelDirectory = QStringLiteral("/usr/share/pocketsphinx/model/en-us");
        // The phrases to spot. The transcriber favours the request's contextual strings, or
        // these when there are none.
        QStringList phrases{};
        // CMU phone strings for words the dictionary lacks, or says differently. Each
        // pronunciation of a phrase's words is spotted on its own.
        QMap<QString, QStringList> pronunciations = defaultPronunciations();
        // How sure the spotter must be before the transcriber is asked (pocketsphinx's
        // keyphrase threshold): lower spots more phrases and costs more decoding.
        double spottingThreshold = 1e-50;
        // Audio before the spot that the transcriber hears too: the phrase and what led to it.
        int preRollMs = 1500;
        // What follows the spot ends at the first pause, or after this long.
        int maximumUtteranceMs = 4000;
        // The transcriber's memory is given back once it has not been needed for this long.
        int transcriberIdleMs = 30000;
    };

    // Null when no model exists for the locale. Without the model files the recognizer is
    // unavailable and says why. The spotter loads on the recognizer's thread, so this returns
    // at once.
    static std::unique_ptr<PocketsphinxRecognizer> create(Options options);
    static std::unique_ptr<PocketsphinxRecognizer> create();
    // The wake words and the program's name.
    static QMap<QString, QStringList> defaultPronunciations();

    ~PocketsphinxRecognizer() override;
    Q_DISABLE_COPY_MOVE(PocketsphinxRecognizer)

    bool isAvailable() const override;
    QString unavailableReason() const override;
    bool supportsOnDeviceRecognition() const override;
    AudioFormat audioFormat() const override;
    std::shared_ptr<SpeechRecognitionTask> recognitionTask(SpeechRecognitionRequest request,
                                                           ResultHandler handler) override;
    std::chrono::milliseconds backlog() const override;

    // Blocks until the spotter has loaded (or failed to); true when it is ready.
    bool waitUntilLoaded();

    struct Engine;

private:
    explicit PocketsphinxRecognizer(std::shared_ptr<Engine> engine);

    std::shared_ptr<Engine> m_engine;
};

} // namespace korvane
