// AppModel: the realtime session, the wake phrase and the window coming forward.
#include "app/AppModelInternals.h"
#include "app/NoWindowActivator.h"
#include "app/WindowActivator.h"
#include "computeruse/ComputerUseService.h"
#include "realtime/RealtimeVoiceService.h"
#include "speech/SpokenFeedback.h"
#include "speech/WakeWordListener.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>

#include <chrono>

namespace korvane {

namespace {

using namespace std::chrono_literals;

const QString apologySentence = QStringLiteral(
    "I'm having trouble connecting to my service right now. I've logged the issue for my "
    "administrator to look into. Please try again in a few moments.");

bool holdsMicrophone(RealtimeVoiceState state)
{
    return state == RealtimeVoiceState::connecting || state == RealtimeVoiceState::recording ||
           state == RealtimeVoiceState::speaking;
}

// Runs `function` on a later turn of the main loop, after everything posted before it.
template <typename Function>
void postToMainLoop(Function function)
{
    if (QCoreApplication* application = QCoreApplication::instance())
        QMetaObject::invokeMethod(application, std::move(function), Qt::QueuedConnection);
}

} // namespace

void AppModel::configureRealtimeVoice()
{
    RealtimeVoiceService& service = *m_services.realtimeVoiceService;
    const QPointer<AppModel> self(this);
    service.onStateChange = [self](RealtimeVoiceState state) {
        postToMainLoop([self, state] {
            if (self)
                self->realtimeStateChanged(state);
        });
    };
    service.onAssistantTranscript = [self](QString text) {
        postToMainLoop([self, text] {
            if (self)
                self->upsertRealtimeTranscript(text);
        });
    };
    service.onComputerUseStart = [self](QString action, std::optional<QString> scriptCode) {
        // May arrive on the tool call's own thread: only post from here.
        postToMainLoop([self, action, scriptCode] {
            if (self)
                self->computerUseStarted(action, scriptCode);
        });
    };
    service.onComputerUseResult = [self](ComputerUseResult result) {
        postToMainLoop([self, result] {
            if (self)
                self->computerUseFinished(result);
        });
    };
    service.onResponseDone = [self] {
        postToMainLoop([self] {
            if (self)
                self->realtimeResponseDone();
        });
    };
    service.onWakePhraseDetected = [self] {
        postToMainLoop([self] {
            if (self)
                self->bringAppToFront();
        });
    };
    service.onError = [self](QString message) {
        postToMainLoop([self, message] {
            if (self)
                self->realtimeFailed(message);
        });
    };
}

void AppModel::configureWakeWordVoice()
{
    WakeWordListener& listener = *m_services.wakeWordListener;
    const QPointer<AppModel> self(this);
    listener.onWake = [self](std::optional<QString> suffix) {
        postToMainLoop([self, suffix] {
            if (self)
                self->handleWakePhrase(suffix);
        });
    };
    listener.onListeningStateChange = [self](bool listening) {
        postToMainLoop([self, listening] {
            if (self)
                self->wakeWordListeningChanged(listening);
        });
    };
    listener.onError = [self](QString message) {
        postToMainLoop([self, message] {
            if (self)
                self->wakeWordFailed(message);
        });
    };
}

void AppModel::realtimeStateChanged(RealtimeVoiceState state)
{
    setRealtimeVoiceState(state);
    if (holdsMicrophone(state)) {
        m_services.wakeWordListener->stop();
        setWakeWordListening(false);
    } else {
        m_realtimeTranscriptMessageID.reset();
        setResponding(false);
        startWakeWordListening();
    }
}

void AppModel::computerUseStarted(const QString& action, const std::optional<QString>& scriptCode)
{
    auto placeholder = placeholderFor(action, scriptCode);
    if (!placeholder)
        return;
    const QUuid id = placeholder->id;
    setTempVoiceArtifactID(id);
    appendArtifact(std::move(*placeholder));
    setSelectedArtifactID(id);
}

void AppModel::computerUseFinished(ComputerUseResult result)
{
    if (m_tempVoiceArtifactID && removeArtifact(*m_tempVoiceArtifactID))
        setTempVoiceArtifactID(std::nullopt);
    applyRealtimeComputerUseResult(std::move(result), false);
}

void AppModel::realtimeResponseDone()
{
    m_realtimeTranscriptMessageID.reset();
    setResponding(false);
}

void AppModel::realtimeFailed(const QString& message)
{
    setResponding(false);
    m_services.realtimeVoiceService->writeLog(QStringLiteral("System error encountered: ") +
                                              message);
    appendMessage(ConversationRole::assistant, m_inputMode, apologySentence);
}

void AppModel::wakeWordListeningChanged(bool listening)
{
    setWakeWordListening(listening);
}

void AppModel::wakeWordFailed(const QString& message)
{
    setWakeWordListening(false);
    appendMessage(ConversationRole::assistant, InputMode::voice,
                  QStringLiteral("Wake phrase failed: ") + message);
}

void AppModel::startWakeWordListening()
{
    // The listener and a realtime session never hold the microphone together.
    if (m_isWakePhraseEnabled && sessionEnded(m_realtimeVoiceState))
        m_services.wakeWordListener->start();
}

bool AppModel::isWakePhraseEnabled() const
{
    return m_isWakePhraseEnabled;
}

void AppModel::setWakePhraseEnabled(bool enabled)
{
    if (m_isWakePhraseEnabled == enabled)
        return;
    m_isWakePhraseEnabled = enabled;
    Q_EMIT isWakePhraseEnabledChanged();
    if (enabled) {
        startWakeWordListening();
    } else {
        m_services.wakeWordListener->stop();
        setWakeWordListening(false);
    }
}

void AppModel::handleWakePhrase(std::optional<QString> commandSuffix)
{
    bringAppToFront();
    setInputMode(InputMode::voice);
    setSelectedSection(SidebarSection::chat);
    setWakeWordListening(false);
    if (commandSuffix && !commandSuffix->isEmpty() &&
        m_services.recognizesCommand(*commandSuffix)) {
        appendMessage(ConversationRole::user, InputMode::voice, *commandSuffix);
        setResponding(true);
        runWakePhraseCommand(*commandSuffix);
        return;
    }
    startComputerUseVoiceMode();
}

QCoro::Task<> AppModel::runWakePhraseCommand(QString text)
{
    WorkToken work(this);
    QPointer<AppModel> self(this);
    const std::shared_ptr<ComputerUseService> service = m_services.computerUseService;
    ComputerUseResult result = co_await service->execute(std::move(text));
    if (!self)
        co_return;
    setResponding(false);
    applyRealtimeComputerUseResult(std::move(result), true);
}

void AppModel::startComputerUseVoiceMode()
{
    setInputMode(InputMode::voice);
    setSelectedSection(SidebarSection::chat);
    m_services.wakeWordListener->stop();
    setWakeWordListening(false);
    toggleRealtimeSession();
}

QCoro::Task<> AppModel::toggleRealtimeSession()
{
    const std::shared_ptr<RealtimeVoiceService> service = m_services.realtimeVoiceService;
    if (service->isActive())
        co_await service->stop();
    else
        co_await service->start(true);
}

void AppModel::bringAppToFront()
{
    m_services.windowActivator->activateAppWindows();
    // Once more a moment later: a window manager may still be busy with the first request.
    QTimer::singleShot(150ms, this, [this] { m_services.windowActivator->activateAppWindows(); });
}

void AppModel::setWindowActivator(std::shared_ptr<WindowActivator> activator)
{
    m_services.windowActivator =
        activator ? std::move(activator) : std::make_shared<NoWindowActivator>();
}

} // namespace korvane
