// SPDX-License-Identifier: GPL-3.0-or-later
// AppModel: the realtime session, the wake phrase and the window coming forward.
#include "app/AppModelInternals.h"
#include "app/NoWindowActivator.h"
#include "app/WindowActivator.h"
#include "computeruse/ComputerUseService.h"
#include "realtime/RealtimeVoiceService.h"
#include "speech/SpokenFeedback.h"
#include "speech/WakeWordListener.h"

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

} // namespace

// Reports take effect on a later turn of the main loop, in the order they were made, whatever
// thread made them, and none reaches a model that is gone.
void AppModel::configureRealtimeVoice()
{
    const RealtimeVoiceService* service = m_services.realtimeVoiceService.get();
    using Service = RealtimeVoiceService;
    connect(service, &Service::stateChanged, this, &AppModel::realtimeStateChanged,
            Qt::QueuedConnection);
    connect(service, &Service::assistantTranscriptChanged, this,
            &AppModel::upsertRealtimeTranscript, Qt::QueuedConnection);
    connect(service, &Service::computerUseStarted, this, &AppModel::computerUseStarted,
            Qt::QueuedConnection);
    connect(service, &Service::computerUseFinished, this, &AppModel::computerUseFinished,
            Qt::QueuedConnection);
    connect(service, &Service::responseDone, this, &AppModel::realtimeResponseDone,
            Qt::QueuedConnection);
    connect(service, &Service::wakePhraseDetected, this, &AppModel::bringAppToFront,
            Qt::QueuedConnection);
    connect(service, &Service::failed, this, &AppModel::realtimeFailed, Qt::QueuedConnection);
}

void AppModel::configureWakeWordVoice()
{
    const WakeWordListener* listener = m_services.wakeWordListener.get();
    connect(listener, &WakeWordListener::wakePhraseHeard, this, &AppModel::handleWakePhrase,
            Qt::QueuedConnection);
    connect(listener, &WakeWordListener::listeningChanged, this, &AppModel::setWakeWordListening,
            Qt::QueuedConnection);
    connect(listener, &WakeWordListener::failed, this, &AppModel::wakeWordFailed,
            Qt::QueuedConnection);
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

void AppModel::handleWakePhrase(const HeardWakePhrase& heard)
{
    bringAppToFront();
    setInputMode(InputMode::voice);
    setSelectedSection(SidebarSection::chat);
    setWakeWordListening(false);
    const std::optional<QString>& commandSuffix = heard.commandSuffix;
    // Words the recognizer was unsure of are never run: the voice session asks instead.
    if (commandSuffix && !commandSuffix->isEmpty() && heard.suffixHeardClearly &&
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
    // A session that is still connecting is ended like a running one: the button never
    // starts a second attempt.
    if (service->isActive() || service->isConnecting())
        co_await service->stop();
    else
        co_await service->start(true);
}

void AppModel::beginHoldToTalk()
{
    setInputMode(InputMode::voice);
    m_services.wakeWordListener->stop();
    setWakeWordListening(false);
    m_services.realtimeVoiceService->beginHeldTurn();
}

void AppModel::endHoldToTalk()
{
    m_services.realtimeVoiceService->endHeldTurn();
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
