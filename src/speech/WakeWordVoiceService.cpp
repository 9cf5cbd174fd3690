// SPDX-License-Identifier: GPL-3.0-or-later
#include "speech/WakeWordVoiceService.h"

#include "platform/AudioCaptureDevice.h"
#include "platform/SpeechRecognizer.h"
#include "speech/WakePhraseMatcher.h"

#include <QLoggingCategory>
#include <QMetaObject>
#include <QMutex>
#include <QMutexLocker>
#include <QObject>
#include <QThread>
#include <QTimer>
#include <qcoro/qcorotask.h>

#include <algorithm>

namespace korvane {

Q_LOGGING_CATEGORY(lcWakeWord, "korvane.speech.wakeword")

namespace {

constexpr std::chrono::milliseconds repeatGuard{1000};

// What the capture tap feeds: converts each buffer to the recognizer's format and hands it to
// the running recognition, if any. The tap holds it weakly, so buffers arriving after the
// request was dropped go nowhere.
class RecognitionFeed final {
public:
    RecognitionFeed(std::unique_ptr<AudioConverter> converter, AudioFormat targetFormat)
        : m_converter(std::move(converter))
        , m_targetFormat(targetFormat)
    {
    }

    void attach(std::shared_ptr<SpeechRecognitionTask> task)
    {
        QMutexLocker lock(&m_mutex);
        m_task = std::move(task);
    }

    void detach()
    {
        QMutexLocker lock(&m_mutex);
        m_task.reset();
    }

    // On the capture thread.
    void append(const AudioBuffer& buffer)
    {
        QMutexLocker lock(&m_mutex);
        if (m_ended || !m_task)
            return;
        if (!m_converter) {
            m_task->append(buffer);
            return;
        }
        QByteArray converted = m_converter->convert(buffer);
        if (!converted.isEmpty())
            m_task->append(AudioBuffer{m_targetFormat, std::move(converted)});
    }

    void endAudio()
    {
        QMutexLocker lock(&m_mutex);
        if (m_ended)
            return;
        m_ended = true;
        if (m_task)
            m_task->endAudio();
    }

private:
    QMutex m_mutex;
    std::unique_ptr<AudioConverter> m_converter;
    AudioFormat m_targetFormat;
    std::shared_ptr<SpeechRecognitionTask> m_task;
    bool m_ended = false;
};

} // namespace

struct WakeWordVoiceService::Core : std::enable_shared_from_this<Core> {
    Dependencies deps;
    QStringList wakePhrases = defaultWakePhrases();
    QThread thread;
    // Reports are posted to it, so they die with it.
    WakeWordVoiceService* owner = nullptr;

    QMutex postMutex;
    QObject* queueContext = nullptr;
    bool acceptsWork = true;

    // Touched only on the queue thread.
    QTimer* restartTimer = nullptr;
    bool isListening = false;
    std::shared_ptr<RecognitionFeed> recognitionRequest;
    std::shared_ptr<SpeechRecognitionTask> recognitionTask;
    // Results count only while they come from the task of this number.
    quint64 liveTask = 0;
    quint64 lastTask = 0;
    std::optional<std::chrono::steady_clock::time_point> lastWakeAt;

    void post(std::function<void(Core&)> work)
    {
        QMutexLocker lock(&postMutex);
        if (!acceptsWork || !queueContext)
            return;
        QMetaObject::invokeMethod(
            queueContext,
            [weak = weak_from_this(), work = std::move(work)] {
                if (const auto core = weak.lock())
                    work(*core);
            },
            Qt::QueuedConnection);
    }

    void postToMain(std::function<void(WakeWordVoiceService&)> callback)
    {
        WakeWordVoiceService* service = owner;
        QMetaObject::invokeMethod(
            service, [service, callback = std::move(callback)] { callback(*service); },
            Qt::QueuedConnection);
    }

    void postListeningState(bool listening)
    {
        postToMain([listening](WakeWordVoiceService& service) {
            if (listening)
                service.m_reportedError.clear();
            Q_EMIT service.listeningChanged(listening);
        });
    }

    void postError(const QString& message)
    {
        postToMain([message](WakeWordVoiceService& service) { service.reportError(message); });
    }

    std::chrono::steady_clock::time_point now() const
    {
        return deps.clock ? deps.clock() : std::chrono::steady_clock::now();
    }

    void startOrReportOnQueue()
    {
        if (const Outcome started = startRecognitionOnQueue(); !started) {
            qCDebug(lcWakeWord) << "Listening could not start:" << started.error();
            postError(started.error());
            stopRecognitionOnQueue();
        }
    }

    SpeechRecognizer::ResultHandler resultHandler(quint64 task)
    {
        return [weak = weak_from_this(), task](std::optional<SpeechRecognitionResult> result,
                                               std::optional<QString> error) {
            const auto core = weak.lock();
            if (!core)
                return;
            core->post([task, result = std::move(result), error = std::move(error)](Core& c) {
                c.handleResultOnQueue(task, result, error);
            });
        };
    }

    Outcome startRecognitionOnQueue()
    {
        if (isListening)
            return Outcome::success();
        if (recognitionTask) {
            recognitionTask->cancel();
            recognitionTask.reset();
            liveTask = 0;
        }
        if (!deps.capture)
            return Outcome::failure(noMicrophoneMessage());
        // Without a recognizer the microphone would be held for nothing.
        const std::shared_ptr<SpeechRecognizer> recognizer = deps.recognizer;
        if (!recognizer)
            return Outcome::failure(noRecognizerMessage());
        if (!recognizer->isAvailable()) {
            const QString reason = recognizer->unavailableReason();
            return Outcome::failure(reason.isEmpty() ? noRecognizerMessage() : reason);
        }
        const SpeechRecognitionRequest request{
            .shouldReportPartialResults = true,
            .taskHint = QStringLiteral("search"),
            .contextualStrings = contextualStrings(),
            .requiresOnDeviceRecognition = recognizer->supportsOnDeviceRecognition(),
        };

        AudioCaptureDevice& capture = *deps.capture;
        const AudioFormat source = capture.inputFormat();
        AudioFormat target = source;
        std::unique_ptr<AudioConverter> converter;
        if (recognizer->audioFormat() != source) {
            target = recognizer->audioFormat();
            if (deps.converterFactory)
                converter = deps.converterFactory(source, target);
            if (!converter)
                return Outcome::failure(QStringLiteral(
                    "The microphone's audio cannot be converted for speech recognition."));
        }
        recognitionRequest = std::make_shared<RecognitionFeed>(std::move(converter), target);

        // The recognition is ready before the first buffer arrives, so none is dropped.
        const quint64 task = ++lastTask;
        recognitionTask = recognizer->recognitionTask(request, resultHandler(task));
        liveTask = task;
        recognitionRequest->attach(recognitionTask);

        capture.removeTap();
        std::weak_ptr<RecognitionFeed> feed = recognitionRequest;
        capture.installTap(tapBufferFrames, [feed](const AudioBuffer& buffer) {
            if (const auto request = feed.lock())
                request->append(buffer);
        });
        if (const Outcome started = capture.start(); !started)
            return Outcome::failure(microphoneFailedMessage(started.error()));

        isListening = true;
        postListeningState(true);
        return Outcome::success();
    }

    void handleResultOnQueue(quint64 task, const std::optional<SpeechRecognitionResult>& result,
                             const std::optional<QString>& error)
    {
        // A recognition already ended here may still have had a result on its way.
        if (task != liveTask)
            return;
        if (result)
            handleTranscriptOnQueue(*result);
        const bool isFinal = error.has_value() || (result && result->isFinal);
        if (isFinal && isListening) {
            if (error)
                qCDebug(lcWakeWord) << "Recognition ended:" << *error;
            stopRecognitionOnQueue();
            restartTimer->start();
        }
    }

    void handleTranscriptOnQueue(const SpeechRecognitionResult& result)
    {
        if (!result.formattedString.isEmpty()) {
            postToMain([result](WakeWordVoiceService& service) {
                Q_EMIT service.heard(result.formattedString, result.isFinal);
            });
        }
        const auto found = WakePhraseMatcher::match(
            WakePhraseMatcher::normalized(result.formattedString), wakePhrases);
        if (!found)
            return;
        const auto heardAt = now();
        if (lastWakeAt && heardAt - *lastWakeAt < repeatGuard)
            return;
        lastWakeAt = heardAt;
        stopRecognitionOnQueue();
        const HeardWakePhrase heard{found->commandSuffix,
                                    heardClearly(found->commandSuffix, result.wordConfidences)};
        postToMain(
            [heard](WakeWordVoiceService& service) { Q_EMIT service.wakePhraseHeard(heard); });
    }

    // The suffix ends the transcript, so its words are the last ones the recognizer rated.
    static bool heardClearly(const std::optional<QString>& suffix,
                             const QList<double>& wordConfidences)
    {
        if (!suffix || wordConfidences.isEmpty())
            return true;
        const qsizetype words = suffix->split(u' ', Qt::SkipEmptyParts).size();
        if (words > wordConfidences.size())
            return false;
        const auto tail = wordConfidences.mid(wordConfidences.size() - words);
        return std::all_of(tail.cbegin(), tail.cend(),
                           [](double confidence) { return confidence >= clearWordConfidence; });
    }

    void stopRecognitionOnQueue()
    {
        const bool wasListening = isListening;
        isListening = false;
        if (deps.capture) {
            deps.capture->removeTap();
            deps.capture->stop();
        }
        if (recognitionRequest)
            recognitionRequest->endAudio();
        if (recognitionTask) {
            recognitionTask->cancel();
            recognitionTask.reset();
        }
        liveTask = 0;
        if (recognitionRequest) {
            recognitionRequest->detach();
            recognitionRequest.reset();
        }
        if (wasListening)
            postListeningState(false);
    }

    void shutdown()
    {
        if (thread.isRunning()) {
            QMetaObject::invokeMethod(
                queueContext,
                [this] {
                    restartTimer->stop();
                    stopRecognitionOnQueue();
                },
                Qt::BlockingQueuedConnection);
        }
        {
            QMutexLocker lock(&postMutex);
            acceptsWork = false;
        }
        thread.quit();
        thread.wait();
    }
};

WakeWordVoiceService::WakeWordVoiceService(Dependencies dependencies)
    : m_core(std::make_shared<Core>())
{
    Core& core = *m_core;
    core.deps = std::move(dependencies);
    core.owner = this;

    core.thread.setObjectName(QStringLiteral("com.korva.Korvane.wake-word"));
    core.queueContext = new QObject;
    core.restartTimer = new QTimer(core.queueContext);
    core.restartTimer->setSingleShot(true);
    core.restartTimer->setInterval(core.deps.restartDelay);
    QObject::connect(core.restartTimer, &QTimer::timeout, core.queueContext,
                     [weak = std::weak_ptr<Core>(m_core)] {
                         if (const auto c = weak.lock())
                             c->startOrReportOnQueue();
                     });
    core.queueContext->moveToThread(&core.thread);
    QObject::connect(&core.thread, &QThread::finished, core.queueContext, &QObject::deleteLater);
    core.thread.start();
}

WakeWordVoiceService::~WakeWordVoiceService()
{
    m_core->shutdown();
}

void WakeWordVoiceService::start()
{
    const std::shared_ptr<Core> core = m_core;
    if (!core->deps.capture) {
        core->postError(noMicrophoneMessage());
        return;
    }
    QCoro::connect(core->deps.capture->requestAccess(), this,
                   [weak = std::weak_ptr<Core>(core)](bool granted) {
                       const auto c = weak.lock();
                       if (!c)
                           return;
                       if (!granted) {
                           c->postError(noMicrophoneMessage());
                           return;
                       }
                       c->post([](Core& queue) { queue.startOrReportOnQueue(); });
                   });
}

void WakeWordVoiceService::stop()
{
    m_core->post([](Core& queue) {
        // A restart still waiting after a final result must not reopen the microphone.
        queue.restartTimer->stop();
        queue.stopRecognitionOnQueue();
    });
}

void WakeWordVoiceService::afterPendingWork(std::function<void()> done)
{
    m_core->post([done = std::move(done)](Core& queue) {
        queue.postToMain([done](WakeWordVoiceService&) { done(); });
    });
}

QStringList WakeWordVoiceService::wakePhrases() const
{
    return m_core->wakePhrases;
}

QStringList WakeWordVoiceService::defaultWakePhrases()
{
    return {
        QStringLiteral("hey korva"), QStringLiteral("hey korwa"), QStringLiteral("hey korvie"),
        QStringLiteral("hey korvy"), QStringLiteral("hey orva"),  QStringLiteral("hey orvie"),
        QStringLiteral("hey korr"),  QStringLiteral("hey gorva"), QStringLiteral("hey gorwa"),
        QStringLiteral("hey morva"),
    };
}

QStringList WakeWordVoiceService::contextualStrings()
{
    return {QStringLiteral("Hey Korva"), QStringLiteral("Korva"), QStringLiteral("Korvane")};
}

QString WakeWordVoiceService::noMicrophoneMessage()
{
    return QStringLiteral("No microphone was found. Connect one, or choose an input device in the "
                          "sound settings, to use the wake phrase.");
}

QString WakeWordVoiceService::microphoneFailedMessage(const QString& reason)
{
    return reason + QStringLiteral(" Check that the microphone is connected and that no other "
                                   "program holds it; the wake phrase is listened for again "
                                   "after the next voice session.");
}

QString WakeWordVoiceService::noRecognizerMessage()
{
    return QStringLiteral("No offline speech recognizer is available for the wake phrase.");
}

void WakeWordVoiceService::reportError(const QString& message)
{
    // Every start after a failure would fail alike; say it once.
    if (message == m_reportedError)
        return;
    m_reportedError = message;
    Q_EMIT failed(message);
}

} // namespace korvane
