// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/pocketsphinx/PocketsphinxRecognizer.h"

#include "platform/linux/pocketsphinx/PhraseLanguageModel.h"
#include "platform/linux/pocketsphinx/SpottingVocabulary.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMetaObject>
#include <QMutex>
#include <QMutexLocker>
#include <QObject>
#include <QTemporaryFile>
#include <QThread>
#include <QTimer>
#include <QWaitCondition>

#include <atomic>
#include <malloc.h>
#include <pocketsphinx.h>
#include <sphinxbase/cmn.h>
#include <sphinxbase/err.h>
#include <sphinxbase/feat.h>
#include <sphinxbase/ngram_model.h>

namespace korvane {

Q_LOGGING_CATEGORY(lcPocketsphinx, "korvane.speech.pocketsphinx")

namespace {

constexpr int decoderSampleRate = 16000;
constexpr int samplesPerFrame = decoderSampleRate / 100;
const AudioFormat decoderFormat{decoderSampleRate, 1, AudioFormat::SampleType::int16};
// The share of the phrase model in the transcriber's blend.
constexpr float phraseModelWeight = 0.2f;
// Steadier than the library's 2.0 in a noisy room, where the pause after a command must
// still be found.
constexpr const char* transcriberVadThreshold = "3.0";
// A second after a spot the transcript must hold the phrase, or the spot was a false alarm
// and the transcription ends at once.
constexpr int phraseCheckMs = 1000;
// After a spot the transcription goes on at least this long before a pause can end it.
constexpr int minimumAfterSpotMs = 300;

const QString missingModelMessage =
    QStringLiteral("The offline speech model for the wake phrase is not installed. Install the "
                   "pocketsphinx-en-us package, then start Korvane again.");
const QString brokenModelMessage = QStringLiteral(
    "The offline speech model for the wake phrase could not be loaded. Reinstall the "
    "pocketsphinx-en-us package, then start Korvane again.");

// The handler of one recognition; silent once cancelled.
class TaskControl final {
public:
    explicit TaskControl(SpeechRecognizer::ResultHandler handler)
        : m_handler(std::move(handler))
    {
    }

    void deliver(std::optional<SpeechRecognitionResult> result, std::optional<QString> error)
    {
        // Held while calling, so no call is under way once cancel() returns.
        QMutexLocker lock(&m_mutex);
        if (m_cancelled || !m_handler)
            return;
        m_handler(std::move(result), std::move(error));
    }

    void cancel()
    {
        QMutexLocker lock(&m_mutex);
        m_cancelled = true;
    }

private:
    QMutex m_mutex;
    SpeechRecognizer::ResultHandler m_handler;
    bool m_cancelled = false;
};

// A file the library reads once by name; removed when this goes.
class ScratchFile final {
public:
    explicit ScratchFile(const QByteArray& contents)
        : m_file(QDir(QDir::tempPath()).filePath(u"korvane-speech-XXXXXX"_qs))
    {
        m_ok = m_file.open() && m_file.write(contents) == contents.size() && m_file.flush();
    }

    bool isValid() const { return m_ok; }
    QByteArray name() const { return QFile::encodeName(m_file.fileName()); }

private:
    QTemporaryFile m_file;
    bool m_ok = false;
};

bool isFiller(const char* word)
{
    const QByteArray text(word);
    return text.isEmpty() || text.startsWith('<') || text.startsWith('[') || text.startsWith("++");
}

// Words of the best path with each one's posterior probability.
SpeechRecognitionResult transcript(ps_decoder_t* ps)
{
    SpeechRecognitionResult result{.isFinal = true};
    // Computes the lattice's posteriors, which the segments below report.
    ps_get_prob(ps);
    logmath_t* logmath = ps_get_logmath(ps);
    QStringList words;
    for (ps_seg_t* seg = ps_seg_iter(ps); seg; seg = ps_seg_next(seg)) {
        const char* word = ps_seg_word(seg);
        if (!word || isFiller(word))
            continue;
        QByteArray text(word);
        if (const qsizetype alternative = text.indexOf('('); alternative > 0)
            text.truncate(alternative);
        int32 acoustic = 0;
        int32 language = 0;
        int32 backoff = 0;
        const double posterior =
            logmath_exp(logmath, ps_seg_prob(seg, &acoustic, &language, &backoff));
        words.append(QString::fromUtf8(text));
        result.wordConfidences.append(qBound(0.0, posterior, 1.0));
    }
    result.formattedString = words.join(u' ');
    return result;
}

} // namespace

struct PocketsphinxRecognizer::Engine {
    // Both decoders are touched only on the recognizer's thread.
    struct Spotter {
        cmd_ln_t* config = nullptr;
        ps_decoder_t* ps = nullptr;
        bool inUtterance = false;
        bool heardSpeech = false;
    };

    struct Transcriber {
        cmd_ln_t* config = nullptr;
        ps_decoder_t* ps = nullptr;
        ngram_model_t* general = nullptr;
        QStringList searchPhrases;
        QByteArray searchName;
        int searchCount = 0;
        bool inUtterance = false;
    };

    enum class Stage { spotting, transcribing };

    Options options;
    QThread thread;
    QObject* context = nullptr;
    QTimer* idleTimer = nullptr;
    Spotter spotter;
    Transcriber transcriber;
    QHash<QString, QString> phraseOfKeyphrase;

    // The running recognition.
    quint64 task = 0;
    std::shared_ptr<TaskControl> control;
    QStringList favoured;
    Stage stage = Stage::spotting;
    QByteArray recent;
    qint64 samplesSinceSpot = 0;

    std::atomic<bool> available{true};
    std::atomic<quint64> lastTask{0};
    std::atomic<qint64> pendingSamples{0};
    mutable QMutex reasonMutex;
    QString reason;

    QMutex loadMutex;
    QWaitCondition loadedCondition;
    bool loaded = false;

    explicit Engine(Options chosen)
        : options(std::move(chosen))
    {
        thread.setObjectName(QStringLiteral("korvane-pocketsphinx"));
        context = new QObject;
        idleTimer = new QTimer(context);
        idleTimer->setSingleShot(true);
        idleTimer->setInterval(options.transcriberIdleMs);
        QObject::connect(idleTimer, &QTimer::timeout, context, [this] {
            if (stage != Stage::transcribing)
                freeTranscriber();
        });
        context->moveToThread(&thread);
        thread.start();
        post([this] { load(); });
    }

    ~Engine()
    {
        QMetaObject::invokeMethod(
            context, [this] { idleTimer->stop(); }, Qt::BlockingQueuedConnection);
        thread.quit();
        thread.wait();
        delete context;
        freeTranscriber();
        if (spotter.ps)
            ps_free(spotter.ps);
        if (spotter.config)
            cmd_ln_free_r(spotter.config);
    }

    Q_DISABLE_COPY_MOVE(Engine)

    template <typename Function>
    void post(Function function)
    {
        QMetaObject::invokeMethod(context, std::move(function), Qt::QueuedConnection);
    }

    QString path(const QString& relative) const
    {
        return QDir(options.modelDirectory).filePath(relative);
    }

    void setUnavailable(const QString& why)
    {
        QMutexLocker lock(&reasonMutex);
        reason = why;
        available = false;
    }

    QMap<QString, QStringList> pronunciationsOfPhraseWords() const
    {
        QStringList words;
        for (const QStringList& sentence : PhraseLanguageModel::sentences(options.phrases))
            words += sentence;
        words.removeDuplicates();
        QStringList lookUp;
        for (const QString& word : std::as_const(words)) {
            if (!options.pronunciations.contains(word))
                lookUp.append(word);
        }
        QMap<QString, QStringList> known =
            dictionaryPronunciations(path(u"cmudict-en-us.dict"_qs), lookUp);
        for (auto it = options.pronunciations.cbegin(); it != options.pronunciations.cend(); ++it)
            known.insert(it.key(), it.value());
        return known;
    }

    void load()
    {
        // The library logs a great deal; none of it is ours to show.
        err_set_logfp(nullptr);
        const SpottingVocabulary vocabulary = SpottingVocabulary::build(
            options.phrases, pronunciationsOfPhraseWords(), options.spottingThreshold);
        phraseOfKeyphrase = vocabulary.phraseOfKeyphrase;
        const ScratchFile dictionary(vocabulary.dictionary);
        const ScratchFile keyphrases(vocabulary.keyphrases);
        const QByteArray hmm = QFile::encodeName(path(u"en-us"_qs));
        if (!vocabulary.keyphrases.isEmpty() && dictionary.isValid() && keyphrases.isValid()) {
            spotter.config =
                cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", hmm.constData(), "-dict",
                            dictionary.name().constData(), "-logfn", "/dev/null", nullptr);
            if (spotter.config)
                spotter.ps = ps_init(spotter.config);
            if (spotter.ps && (ps_set_kws(spotter.ps, "wake", keyphrases.name().constData()) < 0 ||
                               ps_set_search(spotter.ps, "wake") < 0)) {
                ps_free(spotter.ps);
                spotter.ps = nullptr;
            }
        }
        if (!spotter.ps) {
            qCDebug(lcPocketsphinx)
                << "The keyphrase spotter could not be built from" << options.modelDirectory;
            setUnavailable(brokenModelMessage);
        }
        QMutexLocker lock(&loadMutex);
        loaded = true;
        loadedCondition.wakeAll();
    }

    void waitForLoad()
    {
        QMutexLocker lock(&loadMutex);
        while (!loaded)
            loadedCondition.wait(&loadMutex);
    }

    bool loadTranscriber()
    {
        Transcriber& t = transcriber;
        if (t.ps)
            return true;
        const QByteArray hmm = QFile::encodeName(path(u"en-us"_qs));
        const QByteArray dict = QFile::encodeName(path(u"cmudict-en-us.dict"_qs));
        const QByteArray lm = QFile::encodeName(path(u"en-us.lm.bin"_qs));
        t.config = cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", hmm.constData(), "-dict",
                               dict.constData(), "-bestpath", "yes", "-vad_threshold",
                               transcriberVadThreshold, "-logfn", "/dev/null", nullptr);
        if (t.config)
            t.ps = ps_init(t.config);
        if (t.ps)
            t.general =
                ngram_model_read(t.config, lm.constData(), NGRAM_AUTO, ps_get_logmath(t.ps));
        if (!t.general) {
            qCDebug(lcPocketsphinx) << "The transcriber could not load" << options.modelDirectory;
            freeTranscriber();
            return false;
        }
        return true;
    }

    void freeTranscriber()
    {
        Transcriber& t = transcriber;
        if (!t.ps && !t.config)
            return;
        if (t.inUtterance)
            ps_end_utt(t.ps);
        if (t.ps)
            ps_free(t.ps);
        if (t.general)
            ngram_model_free(t.general);
        if (t.config)
            cmd_ln_free_r(t.config);
        t = Transcriber{};
        // Tens of megabytes of small blocks: hand the pages back now.
        malloc_trim(0);
    }

    bool hasPronunciation(const QByteArray& word, const QByteArray& phones)
    {
        for (int alternative = 1;; ++alternative) {
            const QByteArray name =
                alternative == 1 ? word : word + '(' + QByteArray::number(alternative) + ')';
            char* found = ps_lookup_word(transcriber.ps, name.constData());
            if (!found)
                return false;
            const bool same = QByteArray(found).simplified() == phones;
            ckd_free(found);
            if (same)
                return true;
        }
    }

    // Whether the transcriber's dictionary knows `word` once our own pronunciations are added.
    bool ensureWord(const QString& word)
    {
        ps_decoder_t* ps = transcriber.ps;
        const QByteArray name = word.toUtf8();
        char* existing = ps_lookup_word(ps, name.constData());
        bool known = existing != nullptr;
        ckd_free(existing);
        const QStringList ours = options.pronunciations.value(word);
        for (const QString& pronunciation : ours) {
            const QByteArray phones = pronunciation.toUtf8().simplified();
            if (known && hasPronunciation(name, phones))
                continue;
            int alternative = 1;
            QByteArray entry = name;
            while (known) {
                entry = name + '(' + QByteArray::number(++alternative) + ')';
                char* taken = ps_lookup_word(ps, entry.constData());
                if (!taken)
                    break;
                ckd_free(taken);
            }
            if (ps_add_word(ps, entry.constData(), phones.constData(), FALSE) >= 0)
                known = true;
            else
                qCDebug(lcPocketsphinx) << "Could not add" << entry << phones;
        }
        return known;
    }

    // The general model blended with one built from `phrases`, so the phrase is heard readily
    // while the words around it still come from the general model.
    void configureSearch(const QStringList& phrases)
    {
        Transcriber& t = transcriber;
        if (!t.searchName.isEmpty() && phrases == t.searchPhrases)
            return;

        QList<QStringList> sentences;
        for (const QStringList& sentence : PhraseLanguageModel::sentences(phrases)) {
            QStringList known;
            for (const QString& word : sentence) {
                if (ensureWord(word))
                    known.append(word);
            }
            if (!known.isEmpty())
                sentences.append(known);
        }

        ngram_model_t* model = nullptr;
        const QByteArray arpa = PhraseLanguageModel::arpaText(sentences);
        if (!arpa.isEmpty()) {
            const ScratchFile file(arpa);
            ngram_model_t* phrasesModel = file.isValid()
                                              ? ngram_model_read(t.config, file.name().constData(),
                                                                 NGRAM_ARPA, ps_get_logmath(t.ps))
                                              : nullptr;
            if (phrasesModel) {
                ngram_model_t* models[] = {t.general, phrasesModel};
                const char* names[] = {"general", "phrases"};
                float32 weights[] = {1.0f - phraseModelWeight, phraseModelWeight};
                model =
                    ngram_model_set_init(t.config, models, const_cast<char**>(names), weights, 2);
                ngram_model_free(phrasesModel);
            }
            if (!model)
                qCDebug(lcPocketsphinx) << "The phrase model could not be built; general only";
        }
        if (!model)
            model = ngram_model_retain(t.general);

        const QByteArray name = "phrases" + QByteArray::number(++t.searchCount);
        const int set = ps_set_lm(t.ps, name.constData(), model);
        ngram_model_free(model);
        if (set < 0 || ps_set_search(t.ps, name.constData()) < 0) {
            qCDebug(lcPocketsphinx) << "The language model could not be set";
            return;
        }
        if (!t.searchName.isEmpty())
            ps_unset_search(t.ps, t.searchName.constData());
        t.searchName = name;
        t.searchPhrases = phrases;
    }

    void endUtterances()
    {
        if (spotter.inUtterance)
            ps_end_utt(spotter.ps);
        spotter.inUtterance = false;
        if (transcriber.inUtterance)
            ps_end_utt(transcriber.ps);
        transcriber.inUtterance = false;
    }

    bool startSpotting()
    {
        stage = Stage::spotting;
        spotter.heardSpeech = false;
        if (ps_start_utt(spotter.ps) < 0)
            return false;
        spotter.inUtterance = true;
        return true;
    }

    // On the recognizer's thread from here on.
    void begin(quint64 id, const SpeechRecognitionRequest& request,
               std::shared_ptr<TaskControl> taskControl)
    {
        // One recognition at a time: a newer one ends the older.
        if (control)
            control->cancel();
        endUtterances();
        task = id;
        control = std::move(taskControl);
        recent.clear();
        if (!spotter.ps) {
            control->deliver(std::nullopt, unavailableReason());
            task = 0;
            return;
        }
        // Only the phrase as it is written: favouring every spelling of it would make the
        // transcriber hear "hey gorwa" in "hey Cora".
        favoured =
            request.contextualStrings.isEmpty() ? options.phrases : request.contextualStrings;
        if (!startSpotting()) {
            control->deliver(std::nullopt, QStringLiteral("Speech recognition could not start."));
            task = 0;
        }
    }

    QString unavailableReason() const
    {
        QMutexLocker lock(&reasonMutex);
        return reason;
    }

    void deliverFinal(SpeechRecognitionResult result)
    {
        const auto taskControl = control;
        task = 0;
        idleTimer->start();
        taskControl->deliver(std::move(result), std::nullopt);
    }

    void finish(quint64 id)
    {
        if (id != task)
            return;
        if (stage == Stage::transcribing) {
            finishTranscription();
            return;
        }
        endUtterances();
        deliverFinal(SpeechRecognitionResult{.isFinal = true});
    }

    void abandon(quint64 id)
    {
        if (id != task)
            return;
        endUtterances();
        task = 0;
        control.reset();
        stage = Stage::spotting;
        idleTimer->start();
    }

    void failed(const QString& message)
    {
        endUtterances();
        const auto taskControl = control;
        task = 0;
        taskControl->deliver(std::nullopt, message);
    }

    void remember(const QByteArray& pcm)
    {
        recent.append(pcm);
        const qsizetype keep = qsizetype(options.preRollMs) * decoderSampleRate / 1000 * 2;
        if (recent.size() > keep)
            recent.remove(0, recent.size() - keep);
    }

    void spot(const QByteArray& pcm)
    {
        remember(pcm);
        const auto* samples = reinterpret_cast<const int16*>(pcm.constData());
        if (ps_process_raw(spotter.ps, samples, size_t(pcm.size() / 2), FALSE, FALSE) < 0) {
            failed(QStringLiteral("Speech recognition failed."));
            return;
        }
        int32 score = 0;
        const char* hypothesis = ps_get_hyp(spotter.ps, &score);
        if (hypothesis && *hypothesis) {
            startTranscription(QString::fromUtf8(hypothesis));
            return;
        }
        // Each pause starts the spotter afresh, which keeps its state small.
        const bool inSpeech = ps_get_in_speech(spotter.ps) != 0;
        if (inSpeech) {
            spotter.heardSpeech = true;
        } else if (spotter.heardSpeech) {
            ps_end_utt(spotter.ps);
            spotter.inUtterance = false;
            if (!startSpotting())
                failed(QStringLiteral("Speech recognition could not start."));
        }
    }

    void startTranscription(const QString& spotted)
    {
        const QString keyphrase = spotted.simplified();
        ps_end_utt(spotter.ps);
        spotter.inUtterance = false;
        qCDebug(lcPocketsphinx) << "Spotted" << keyphrase;
        idleTimer->stop();
        if (!loadTranscriber()) {
            // Without the general model nothing can be checked; take the spotter's word.
            deliverFinal(SpeechRecognitionResult{
                .formattedString = phraseOfKeyphrase.value(keyphrase, keyphrase), .isFinal = true});
            return;
        }
        configureSearch(favoured);
        if (ps_start_utt(transcriber.ps) < 0) {
            failed(QStringLiteral("Speech recognition could not start."));
            return;
        }
        transcriber.inUtterance = true;
        warmUpTranscriber();
        stage = Stage::transcribing;
        samplesSinceSpot = 0;
        const QByteArray preRoll = std::exchange(recent, QByteArray());
        transcribe(preRoll, false);
    }

    void transcribe(const QByteArray& pcm, bool afterSpot)
    {
        const auto* samples = reinterpret_cast<const int16*>(pcm.constData());
        const auto count = size_t(pcm.size() / 2);
        if (ps_process_raw(transcriber.ps, samples, count, FALSE, FALSE) < 0) {
            failed(QStringLiteral("Speech recognition failed."));
            return;
        }
        if (!afterSpot)
            return;
        const bool checkNow = samplesSinceSpot < qint64(phraseCheckMs) * decoderSampleRate / 1000;
        samplesSinceSpot += qint64(count);
        if (checkNow && samplesSinceSpot >= qint64(phraseCheckMs) * decoderSampleRate / 1000 &&
            !hearsAPhrase()) {
            finishTranscription();
            return;
        }
        const bool paused =
            ps_get_in_speech(transcriber.ps) == 0 &&
            samplesSinceSpot * 1000 >= qint64(minimumAfterSpotMs) * decoderSampleRate;
        const bool tooLong =
            samplesSinceSpot * 1000 >= qint64(options.maximumUtteranceMs) * decoderSampleRate;
        if (paused || tooLong)
            finishTranscription();
    }

    // A fresh decoder normalises its first seconds with the model's average voice, and the
    // phrase is exactly in them: start from what the spotter learnt of this microphone.
    void warmUpTranscriber()
    {
        feat_t* from = ps_get_feat(spotter.ps);
        feat_t* to = ps_get_feat(transcriber.ps);
        if (from && to && from->cmn_struct && to->cmn_struct &&
            from->cmn_struct->veclen == to->cmn_struct->veclen)
            cmn_live_set(to->cmn_struct, from->cmn_struct->cmn_mean);
    }

    // Whether the transcript so far holds one of the phrases the spotter listens for.
    bool hearsAPhrase()
    {
        int32 score = 0;
        const char* hypothesis = ps_get_hyp(transcriber.ps, &score);
        const QString heard = u' ' + QString::fromUtf8(hypothesis ? hypothesis : "") + u' ';
        for (const QString& phrase : std::as_const(favoured)) {
            for (const QStringList& words : PhraseLanguageModel::sentences({phrase})) {
                if (heard.contains(u' ' + words.join(u' ') + u' '))
                    return true;
            }
        }
        return false;
    }

    void finishTranscription()
    {
        ps_end_utt(transcriber.ps);
        transcriber.inUtterance = false;
        stage = Stage::spotting;
        SpeechRecognitionResult result = transcript(transcriber.ps);
        qCDebug(lcPocketsphinx) << "Transcribed" << result.formattedString
                                << result.wordConfidences;
        deliverFinal(std::move(result));
    }

    void process(quint64 id, const QByteArray& pcm)
    {
        if (id == task && control) {
            if (stage == Stage::spotting && spotter.inUtterance)
                spot(pcm);
            else if (stage == Stage::transcribing && transcriber.inUtterance)
                transcribe(pcm, true);
        }
        // Only now, so that no backlog means every result is out.
        pendingSamples -= pcm.size() / 2;
    }
};

namespace {

class PocketsphinxTask final : public SpeechRecognitionTask {
public:
    PocketsphinxTask(std::shared_ptr<PocketsphinxRecognizer::Engine> engine, quint64 id,
                     std::shared_ptr<TaskControl> control)
        : m_engine(std::move(engine))
        , m_id(id)
        , m_control(std::move(control))
    {
    }

    ~PocketsphinxTask() override { cancel(); }

    void append(const AudioBuffer& buffer) override
    {
        if (buffer.format != decoderFormat || buffer.data.isEmpty() || m_cancelled)
            return;
        m_engine->pendingSamples += buffer.data.size() / 2;
        m_engine->post(
            [engine = m_engine.get(), id = m_id, pcm = buffer.data] { engine->process(id, pcm); });
    }

    void endAudio() override
    {
        m_engine->post([engine = m_engine.get(), id = m_id] { engine->finish(id); });
    }

    void cancel() override
    {
        if (m_cancelled.exchange(true))
            return;
        m_control->cancel();
        m_engine->post([engine = m_engine.get(), id = m_id] { engine->abandon(id); });
    }

private:
    std::shared_ptr<PocketsphinxRecognizer::Engine> m_engine;
    quint64 m_id;
    std::shared_ptr<TaskControl> m_control;
    std::atomic<bool> m_cancelled{false};
};

} // namespace

PocketsphinxRecognizer::PocketsphinxRecognizer(std::shared_ptr<Engine> engine)
    : m_engine(std::move(engine))
{
}

PocketsphinxRecognizer::~PocketsphinxRecognizer() = default;

std::unique_ptr<PocketsphinxRecognizer> PocketsphinxRecognizer::create(Options options)
{
    if (options.locale != u"en_US" && options.locale != u"en-US")
        return nullptr;
    const QDir directory(options.modelDirectory);
    bool complete = true;
    for (const QString& needed : {u"en-us/mdef"_qs, u"cmudict-en-us.dict"_qs, u"en-us.lm.bin"_qs}) {
        if (!QFileInfo(directory.filePath(needed)).isFile()) {
            qCDebug(lcPocketsphinx)
                << "No pocketsphinx model:" << directory.filePath(needed) << "is missing";
            complete = false;
        }
    }
    if (!complete) {
        // Nothing to load: an engine that says what is missing.
        options.phrases.clear();
        auto engine = std::make_shared<Engine>(std::move(options));
        engine->waitForLoad();
        engine->setUnavailable(missingModelMessage);
        return std::unique_ptr<PocketsphinxRecognizer>(new PocketsphinxRecognizer(engine));
    }
    return std::unique_ptr<PocketsphinxRecognizer>(
        new PocketsphinxRecognizer(std::make_shared<Engine>(std::move(options))));
}

std::unique_ptr<PocketsphinxRecognizer> PocketsphinxRecognizer::create()
{
    return create(Options{});
}

QMap<QString, QStringList> PocketsphinxRecognizer::defaultPronunciations()
{
    // Worked out from the dictionary's CORVA, CORVINO, CORWIN, GORE and MOREY, with the
    // r-less "KOH-vuh" that many speakers (and speech synthesizers) say.
    return {
        {u"korva"_qs, {u"K AO R V AH"_qs, u"K OW V AH"_qs, u"K AO R V AA"_qs}},
        {u"korwa"_qs, {u"K AO R W AH"_qs}},
        {u"korvie"_qs, {u"K AO R V IY"_qs}},
        {u"korvy"_qs, {u"K AO R V IY"_qs}},
        {u"orva"_qs, {u"AO R V AH"_qs}},
        {u"orvie"_qs, {u"AO R V IY"_qs}},
        {u"korr"_qs, {u"K AO R"_qs}},
        {u"gorva"_qs, {u"G AO R V AH"_qs}},
        {u"gorwa"_qs, {u"G AO R W AH"_qs}},
        {u"morva"_qs, {u"M AO R V AH"_qs}},
        {u"korvane"_qs, {u"K AO R V EY N"_qs}},
    };
}

bool PocketsphinxRecognizer::isAvailable() const
{
    return m_engine->available;
}

QString PocketsphinxRecognizer::unavailableReason() const
{
    return m_engine->unavailableReason();
}

bool PocketsphinxRecognizer::supportsOnDeviceRecognition() const
{
    return true;
}

AudioFormat PocketsphinxRecognizer::audioFormat() const
{
    return decoderFormat;
}

std::shared_ptr<SpeechRecognitionTask>
PocketsphinxRecognizer::recognitionTask(SpeechRecognitionRequest request, ResultHandler handler)
{
    const quint64 id = ++m_engine->lastTask;
    auto control = std::make_shared<TaskControl>(std::move(handler));
    m_engine->post([engine = m_engine.get(), id, request = std::move(request), control] {
        engine->begin(id, request, control);
    });
    return std::make_shared<PocketsphinxTask>(m_engine, id, std::move(control));
}

std::chrono::milliseconds PocketsphinxRecognizer::backlog() const
{
    return std::chrono::milliseconds(std::max<qint64>(0, m_engine->pendingSamples.load()) * 1000 /
                                     decoderSampleRate);
}

bool PocketsphinxRecognizer::waitUntilLoaded()
{
    m_engine->waitForLoad();
    return m_engine->available;
}

} // namespace korvane
