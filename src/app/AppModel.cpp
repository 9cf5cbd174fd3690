// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppModel.h"

#include "app/AppIntentRouter.h"
#include "app/AppModelInternals.h"
#include "app/ApprovalRequests.h"
#include "app/ComputerControlPolicy.h"
#include "app/NoWindowActivator.h"
#include "app/UnavailableAssistantProvider.h"
#include "app/UnavailableComputerUseService.h"
#include "computeruse/ComputerUseService.h"
#include "computeruse/command/CommandParsing.h"
#include "providers/AssistantProvider.h"
#include "realtime/RealtimeVoiceService.h"
#include "realtime/UnavailableRealtimeVoiceService.h"
#include "speech/SilentSpokenFeedback.h"
#include "speech/SpokenFeedback.h"
#include "speech/UnavailableWakeWordListener.h"
#include "speech/WakeWordListener.h"

Q_LOGGING_CATEGORY(lcAppModel, "korvane.app.model")

namespace korvane {

bool sessionEnded(RealtimeVoiceState state)
{
    return state == RealtimeVoiceState::idle || state == RealtimeVoiceState::failed;
}

AppModel::AppModel(AppModelServices services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_messages(new MessageListModel(this))
    , m_artifacts(new ArtifactListModel(this))
    , m_imageGenerations(new AsyncSemaphore(maximumImageGenerationsInFlight, this))
{
    if (!m_services.assistantProvider)
        m_services.assistantProvider = std::make_shared<UnavailableAssistantProvider>();
    if (!m_services.computerUseService)
        m_services.computerUseService = std::make_shared<UnavailableComputerUseService>();
    if (!m_services.realtimeVoiceService)
        m_services.realtimeVoiceService = std::make_shared<UnavailableRealtimeVoiceService>();
    if (!m_services.wakeWordListener)
        m_services.wakeWordListener = std::make_shared<UnavailableWakeWordListener>();
    if (!m_services.spokenFeedback)
        m_services.spokenFeedback = std::make_shared<SilentSpokenFeedback>();
    if (!m_services.windowActivator)
        m_services.windowActivator = std::make_shared<NoWindowActivator>();
    if (!m_services.actionApprover)
        m_services.actionApprover = std::make_shared<ComputerControlPolicy>(
            [] { return ComputerControlSettings{}; }, nullptr);
    if (!m_services.recognizesCommand) {
        m_services.recognizesCommand = [](QStringView text) {
            return parseComputerUseCommand(text).has_value();
        };
    }

    // Any change of the list may change which artifact is shown.
    const auto artifactsChanged = [this] { Q_EMIT selectedArtifactChanged(); };
    connect(m_artifacts, &QAbstractItemModel::rowsInserted, this, artifactsChanged);
    connect(m_artifacts, &QAbstractItemModel::rowsRemoved, this, artifactsChanged);
    connect(m_artifacts, &QAbstractItemModel::dataChanged, this, artifactsChanged);
    connect(m_artifacts, &QAbstractItemModel::modelReset, this, artifactsChanged);

    // A question asked during a voice session must be seen: the window comes forward.
    if (ApprovalRequests* requests = m_services.approvalRequests.get()) {
        connect(requests, &ApprovalRequests::currentChanged, this, [this, requests] {
            if (requests->hasPending())
                bringAppToFront();
        });
    }

    configureRealtimeVoice();
    configureWakeWordVoice();
    startWakeWordListening();
}

AppModel::~AppModel() = default;

// MARK: - Fields

std::optional<SidebarSection> AppModel::selectedSection() const
{
    return m_selectedSection;
}

void AppModel::setSelectedSection(std::optional<SidebarSection> section)
{
    if (m_selectedSection == section)
        return;
    m_selectedSection = section;
    Q_EMIT selectedSectionChanged();
}

std::optional<QUuid> AppModel::selectedArtifactID() const
{
    return m_selectedArtifactID;
}

void AppModel::setSelectedArtifactID(std::optional<QUuid> id)
{
    if (m_selectedArtifactID == id)
        return;
    m_selectedArtifactID = id;
    Q_EMIT selectedArtifactIDChanged();
    Q_EMIT selectedArtifactChanged();
}

InputMode AppModel::inputMode() const
{
    return m_inputMode;
}

QString AppModel::promptText() const
{
    return m_promptText;
}

void AppModel::setPromptText(const QString& text)
{
    if (m_promptText == text)
        return;
    m_promptText = text;
    Q_EMIT promptTextChanged();
}

bool AppModel::shouldFocusPrompt() const
{
    return m_shouldFocusPrompt;
}

RealtimeVoiceState AppModel::realtimeVoiceState() const
{
    return m_realtimeVoiceState;
}

bool AppModel::isWakeWordListening() const
{
    return m_isWakeWordListening;
}

bool AppModel::isResponding() const
{
    return m_isResponding;
}

std::optional<QUuid> AppModel::tempVoiceArtifactID() const
{
    return m_tempVoiceArtifactID;
}

const QList<ConversationMessage>& AppModel::messages() const
{
    return m_messages->items();
}

const QList<Artifact>& AppModel::artifacts() const
{
    return m_artifacts->items();
}

std::optional<Artifact> AppModel::selectedArtifact() const
{
    const QList<Artifact>& items = m_artifacts->items();
    if (m_selectedArtifactID) {
        if (const int row = m_artifacts->rowOf(*m_selectedArtifactID); row >= 0)
            return items.at(row);
    }
    if (items.isEmpty())
        return std::nullopt;
    return items.first();
}

std::optional<QUuid> AppModel::realtimeTranscriptMessageID() const
{
    return m_realtimeTranscriptMessageID;
}

int AppModel::pendingWorkCount() const
{
    return m_pendingWorkCount;
}

int AppModel::failedOutcomeCount() const
{
    return m_failedOutcomeCount;
}

MessageListModel* AppModel::messageModel() const
{
    return m_messages;
}

ArtifactListModel* AppModel::artifactModel() const
{
    return m_artifacts;
}

ApprovalRequests* AppModel::approvals() const
{
    return m_services.approvalRequests.get();
}

QVariantMap AppModel::selectedArtifactValue() const
{
    const auto artifact = selectedArtifact();
    return artifact ? ArtifactListModel::toVariantMap(*artifact) : QVariantMap();
}

void AppModel::setInputMode(InputMode mode)
{
    if (m_inputMode == mode)
        return;
    m_inputMode = mode;
    Q_EMIT inputModeChanged();
}

void AppModel::setRealtimeVoiceState(RealtimeVoiceState state)
{
    if (m_realtimeVoiceState == state)
        return;
    m_realtimeVoiceState = state;
    Q_EMIT realtimeVoiceStateChanged();
}

void AppModel::setWakeWordListening(bool listening)
{
    if (m_isWakeWordListening == listening)
        return;
    m_isWakeWordListening = listening;
    Q_EMIT isWakeWordListeningChanged();
}

void AppModel::setResponding(bool responding)
{
    if (m_isResponding == responding)
        return;
    m_isResponding = responding;
    Q_EMIT isRespondingChanged();
}

void AppModel::setTempVoiceArtifactID(std::optional<QUuid> id)
{
    if (m_tempVoiceArtifactID == id)
        return;
    m_tempVoiceArtifactID = id;
    Q_EMIT tempVoiceArtifactIDChanged();
}

void AppModel::toggleShouldFocusPrompt()
{
    m_shouldFocusPrompt = !m_shouldFocusPrompt;
    Q_EMIT shouldFocusPromptChanged();
}

void AppModel::beginWork()
{
    ++m_pendingWorkCount;
    Q_EMIT pendingWorkCountChanged();
}

void AppModel::endWork()
{
    --m_pendingWorkCount;
    Q_EMIT pendingWorkCountChanged();
    if (m_pendingWorkCount == 0)
        Q_EMIT wentQuiet();
}

void AppModel::appendMessage(ConversationRole role, std::optional<InputMode> mode, QString content)
{
    m_messages->append({.role = role, .mode = mode, .content = std::move(content)});
}

void AppModel::appendArtifact(Artifact artifact)
{
    m_artifacts->append(std::move(artifact));
}

bool AppModel::removeArtifact(const QUuid& id)
{
    const int row = m_artifacts->rowOf(id);
    if (row < 0)
        return false;
    m_artifacts->removeAt(row);
    return true;
}

// MARK: - Intents

void AppModel::applyIntentRoute(const AppIntentRoute& route)
{
    setSelectedSection(route.destination);
    if (route.prefilledPrompt && !route.prefilledPrompt->isEmpty()) {
        setPromptText(*route.prefilledPrompt);
        setSelectedSection(SidebarSection::chat);
        toggleShouldFocusPrompt();
    }
}

void AppModel::followIntentRouter(AppIntentRouter& router)
{
    if (m_router == &router)
        return;
    if (m_router)
        disconnect(m_router, nullptr, this, nullptr);
    m_router = &router;
    connect(&router, &AppIntentRouter::pendingRouteChanged, this, [this] {
        if (m_router) {
            if (const auto route = m_router->pendingRoute())
                applyIntentRoute(*route);
        }
    });
    if (const auto route = router.pendingRoute())
        applyIntentRoute(*route);
}

} // namespace korvane
