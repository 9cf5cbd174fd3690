#pragma once

#include "platform/SpeechRecognizer.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>

namespace korvane {

// Offline recognition with pocketsphinx and its US English model. Decoding runs on the
// recognizer's own thread; partial transcripts while speech goes on, a final one when the
// speech is followed by silence (or the audio ends). The language model is the general one
// blended with a small one built from the phrases to favour, so "hey korva …" is heard while
// the words after it still come from the general model.
class PocketsphinxRecognizer final : public SpeechRecognizer {
public:
    struct Options {
        QString locale = QStringLiteral("en_US");
        // Holds en-us/ (the acoustic model), en-us.lm.bin and cmudict-en-us.dict.
        QString modelDirectory = QStringLiteral("/usr/share/pocketsphinx/model/en-us");
        // Favoured in every recognition, beside the request's contextual strings.
        QStringList phrases{};
        // CMU phone strings for words the dictionary lacks, or says differently.
        QMap<QString, QStringList> pronunciations = defaultPronunciations();
        // Audio between two partial transcripts. Coarse on purpose: a wake phrase heard in a
        // partial stops listening, and the words said right after it should make it in.
        int partialIntervalMs = 700;
        // A recognition that hears speech for this long without a pause ends anyway.
        int maximumUtteranceMs = 30000;
    };

    // Null when no model is installed for the locale. The decoder loads on the recognizer's
    // thread, so this returns at once.
    static std::unique_ptr<PocketsphinxRecognizer> create(Options options);
    static std::unique_ptr<PocketsphinxRecognizer> create();
    // The wake words and the program's name.
    static QMap<QString, QStringList> defaultPronunciations();

    ~PocketsphinxRecognizer() override;
    Q_DISABLE_COPY_MOVE(PocketsphinxRecognizer)

    bool isAvailable() const override;
    bool supportsOnDeviceRecognition() const override;
    AudioFormat audioFormat() const override;
    std::shared_ptr<SpeechRecognitionTask> recognitionTask(SpeechRecognitionRequest request,
                                                           ResultHandler handler) override;

    // Blocks until the decoder has loaded (or failed to); true when it is ready.
    bool waitUntilLoaded();

    struct Engine;

private:
    explicit PocketsphinxRecognizer(std::shared_ptr<Engine> engine);

    std::shared_ptr<Engine> m_engine;
};

} // namespace korvane
