#include "platform/linux/pocketsphinx/PocketsphinxRecognizer.h"

#include "platform/linux/pocketsphinx/PhraseLanguageModel.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMetaObject>
#include <QMutex>
#include <QMutexLocker>
#include <QObject>
#include <QTemporaryFile>
#include <QThread>
#include <QWaitCondition>

#include <atomic>
#include <pocketsphinx.h>
#include <sphinxbase/err.h>
#include <sphinxbase/ngram_model.h>

namespace korvane {

Q_LOGGING_CATEGORY(lcPocketsphinx, "korvane.speech.pocketsphinx")

namespace {

constexpr int decoderSampleRate = 16000;
const AudioFormat decoderFormat{decoderSampleRate, 1, AudioFormat::SampleType::int16};
// The share of the phrase model in the blend.
constexpr float phraseModelWeight = 0.2f;

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

QString hypothesisText(ps_decoder_t* ps)
{
    int32 score = 0;
    const char* hypothesis = ps_get_hyp(ps, &score);
    return hypothesis ? QString::fromUtf8(hypothesis).simplified() : QString();
}

} // namespace

struct PocketsphinxRecognizer::Engine {
    // Touched only on the recognizer's thread.
    struct Decoder {
        cmd_ln_t* config = nullptr;
        ps_decoder_t* ps = nullptr;
        ngram_model_t* general = nullptr;
        bool loadAttempted = false;

        QStringList searchPhrases;
        QByteArray searchName;
        int searchCount = 0;

        quint64 task = 0;
        std::shared_ptr<TaskControl> control;
        bool partials = true;
        bool inUtterance = false;
        bool heardSpeech = false;
        qint64 samples = 0;
        qint64 samplesAtPartial = 0;
        QString lastPartial;
    };

    Options options;
    QThread thread;
    QObject* context = nullptr;
    Decoder decoder;
    std::atomic<bool> available{true};
    std::atomic<quint64> lastTask{0};

    QMutex loadMutex;
    QWaitCondition loadedCondition;
    bool loaded = false;

    explicit Engine(Options chosen)
        : options(std::move(chosen))
    {
        thread.setObjectName(QStringLiteral("korvane-pocketsphinx"));
        context = new QObject;
        context->moveToThread(&thread);
        thread.start();
        post([this] { load(); });
    }

    ~Engine()
    {
        thread.quit();
        thread.wait();
        delete context;
        endUtterance();
        if (decoder.ps)
            ps_free(decoder.ps);
        if (decoder.general)
            ngram_model_free(decoder.general);
        if (decoder.config)
            cmd_ln_free_r(decoder.config);
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

    void load()
    {
        Decoder& d = decoder;
        d.loadAttempted = true;
        // The library logs a great deal; none of it is ours to show.
        err_set_logfp(nullptr);
        const QByteArray hmm = QFile::encodeName(path(QStringLiteral("en-us")));
        const QByteArray dict = QFile::encodeName(path(QStringLiteral("cmudict-en-us.dict")));
        const QByteArray lm = QFile::encodeName(path(QStringLiteral("en-us.lm.bin")));
        d.config = cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", hmm.constData(), "-dict",
                               dict.constData(), "-logfn", "/dev/null", nullptr);
        if (d.config)
            d.ps = ps_init(d.config);
        if (d.ps)
            d.general =
                ngram_model_read(d.config, lm.constData(), NGRAM_AUTO, ps_get_logmath(d.ps));
        if (!d.general) {
            qCDebug(lcPocketsphinx)
                << "The pocketsphinx model in" << options.modelDirectory << "could not be loaded";
            available = false;
        } else {
            // Words the phrases need are known from the start.
            configureSearch(options.phrases);
        }
        QMutexLocker lock(&loadMutex);
        loaded = true;
        loadedCondition.wakeAll();
    }

    bool hasPronunciation(const QByteArray& word, const QByteArray& phones)
    {
        for (int alternative = 1;; ++alternative) {
            const QByteArray name =
                alternative == 1 ? word : word + '(' + QByteArray::number(alternative) + ')';
            char* found = ps_lookup_word(decoder.ps, name.constData());
            if (!found)
                return false;
            const bool same = QByteArray(found).simplified() == phones;
            ckd_free(found);
            if (same)
                return true;
        }
    }

    // Whether the dictionary knows `word` once our own pronunciations are added.
    bool ensureWord(const QString& word)
    {
        const QByteArray name = word.toUtf8();
        char* existing = ps_lookup_word(decoder.ps, name.constData());
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
                char* taken = ps_lookup_word(decoder.ps, entry.constData());
                if (!taken)
                    break;
                ckd_free(taken);
            }
            if (ps_add_word(decoder.ps, entry.constData(), phones.constData(), FALSE) >= 0)
                known = true;
            else
                qCDebug(lcPocketsphinx) << "Could not add" << entry << phones;
        }
        if (!known)
            qCDebug(lcPocketsphinx) << "No pronunciation for" << word << "- left out";
        return known;
    }

    void configureSearch(const QStringList& phrases)
    {
        Decoder& d = decoder;
        if (!d.searchName.isEmpty() && phrases == d.searchPhrases)
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
            QTemporaryFile file(QDir(QDir::tempPath()).filePath(u"korvane-phrases-XXXXXX.arpa"_qs));
            if (file.open() && file.write(arpa) == arpa.size() && file.flush()) {
                const QByteArray name = QFile::encodeName(file.fileName());
                ngram_model_t* phrasesModel =
                    ngram_model_read(d.config, name.constData(), NGRAM_ARPA, ps_get_logmath(d.ps));
                if (phrasesModel) {
                    ngram_model_t* models[] = {d.general, phrasesModel};
                    const char* names[] = {"general", "phrases"};
                    float32 weights[] = {1.0f - phraseModelWeight, phraseModelWeight};
                    model = ngram_model_set_init(d.config, models, const_cast<char**>(names),
                                                 weights, 2);
                    ngram_model_free(phrasesModel);
                }
            }
            if (!model)
                qCDebug(lcPocketsphinx) << "The phrase model could not be built; general only";
        }
        if (!model)
            model = ngram_model_retain(d.general);

        const QByteArray name = "phrases" + QByteArray::number(++d.searchCount);
        const int set = ps_set_lm(d.ps, name.constData(), model);
        ngram_model_free(model);
        if (set < 0 || ps_set_search(d.ps, name.constData()) < 0) {
            qCDebug(lcPocketsphinx) << "The language model could not be set";
            return;
        }
        if (!d.searchName.isEmpty())
            ps_unset_search(d.ps, d.searchName.constData());
        d.searchName = name;
        d.searchPhrases = phrases;
    }

    void endUtterance()
    {
        if (decoder.inUtterance && decoder.ps)
            ps_end_utt(decoder.ps);
        decoder.inUtterance = false;
    }

    // On the recognizer's thread from here on.
    void begin(quint64 task, const SpeechRecognitionRequest& request,
               std::shared_ptr<TaskControl> control)
    {
        Decoder& d = decoder;
        // One recognition at a time: a newer one ends the older.
        if (d.control)
            d.control->cancel();
        endUtterance();
        d.task = task;
        d.control = std::move(control);
        if (!d.general) {
            d.control->deliver(std::nullopt,
                               QStringLiteral("The speech recognition model is not available."));
            d.task = 0;
            return;
        }
        configureSearch(options.phrases + request.contextualStrings);
        d.partials = request.shouldReportPartialResults;
        d.heardSpeech = false;
        d.samples = 0;
        d.samplesAtPartial = 0;
        d.lastPartial.clear();
        if (ps_start_utt(d.ps) < 0) {
            d.control->deliver(std::nullopt, QStringLiteral("Speech recognition could not start."));
            d.task = 0;
            return;
        }
        d.inUtterance = true;
    }

    void finish(quint64 task)
    {
        Decoder& d = decoder;
        if (task != d.task || !d.inUtterance)
            return;
        ps_end_utt(d.ps);
        d.inUtterance = false;
        d.task = 0;
        const QString text = hypothesisText(d.ps);
        d.control->deliver(SpeechRecognitionResult{text, true}, std::nullopt);
    }

    void abandon(quint64 task)
    {
        if (task != decoder.task)
            return;
        endUtterance();
        decoder.task = 0;
        decoder.control.reset();
    }

    void process(quint64 task, const QByteArray& pcm)
    {
        Decoder& d = decoder;
        if (task != d.task || !d.inUtterance)
            return;
        const auto* samples = reinterpret_cast<const int16*>(pcm.constData());
        const auto count = size_t(pcm.size() / 2);
        if (ps_process_raw(d.ps, samples, count, FALSE, FALSE) < 0) {
            endUtterance();
            d.task = 0;
            d.control->deliver(std::nullopt, QStringLiteral("Speech recognition failed."));
            return;
        }
        d.samples += qint64(count);
        const bool inSpeech = ps_get_in_speech(d.ps) != 0;
        if (inSpeech)
            d.heardSpeech = true;
        // Silence after speech ends the recognition, as does speech that never pauses.
        if ((d.heardSpeech && !inSpeech) ||
            d.samples * 1000 >= qint64(options.maximumUtteranceMs) * decoderSampleRate) {
            finish(task);
            return;
        }
        if (d.partials && d.heardSpeech &&
            d.samples - d.samplesAtPartial >=
                qint64(options.partialIntervalMs) * decoderSampleRate / 1000) {
            d.samplesAtPartial = d.samples;
            const QString text = hypothesisText(d.ps);
            if (!text.isEmpty() && text != d.lastPartial) {
                d.lastPartial = text;
                d.control->deliver(SpeechRecognitionResult{text, false}, std::nullopt);
            }
        }
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
        if (buffer.format != decoderFormat || buffer.data.isEmpty())
            return;
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
    for (const QString& needed : {u"en-us/mdef"_qs, u"cmudict-en-us.dict"_qs, u"en-us.lm.bin"_qs}) {
        if (!QFileInfo(directory.filePath(needed)).isFile()) {
            qCDebug(lcPocketsphinx)
                << "No pocketsphinx model:" << directory.filePath(needed) << "is missing";
            return nullptr;
        }
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
    // Worked out from the dictionary's CORVA, CORVINO, CORWIN, GORE and MOREY.
    return {
        {u"korva"_qs, {u"K AO R V AH"_qs, u"K AO R V AA"_qs}},
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

bool PocketsphinxRecognizer::waitUntilLoaded()
{
    QMutexLocker lock(&m_engine->loadMutex);
    while (!m_engine->loaded)
        m_engine->loadedCondition.wait(&m_engine->loadMutex);
    return m_engine->available;
}

} // namespace korvane
