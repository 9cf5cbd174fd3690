// SPDX-License-Identifier: GPL-3.0-or-later
// AppModel: typed prompts, their two routes and the actions of an answer; sessions and modes.
#include "app/AppModelInternals.h"
#include "app/ApprovalRequests.h"
#include "computeruse/ActionApproval.h"
#include "computeruse/ComputerUseService.h"
#include "providers/AssistantProvider.h"
#include "realtime/RealtimeVoiceService.h"

#include <QHash>
#include <QScopeGuard>
#include <qcoro/qcorotimer.h>

#include <chrono>

namespace korvane {

namespace {

using namespace std::chrono_literals;

// The sentence for an action that needs no service, or nothing when a service answers it.
std::optional<QString> fixedActionSentence(const QString& name, const QString& type)
{
    static const QHash<QString, QString> sentences{
        {QStringLiteral("open_app"), QStringLiteral("No application name provided.")},
        {QStringLiteral("open_url"), QStringLiteral("No URL provided.")},
        {QStringLiteral("click"), QStringLiteral("No element name provided to click.")},
        {QStringLiteral("type"), QStringLiteral("No text provided to type.")},
        {QStringLiteral("press_key"), QStringLiteral("Invalid or missing key: ")},
        {QStringLiteral("search_web"), QStringLiteral("No search query provided.")},
        {QStringLiteral("generate_image"),
         QStringLiteral("No prompt provided to generate the image.")},
        {QStringLiteral("get_recipe"), QStringLiteral("No recipe query provided.")},
    };
    if (name == u"inspect_ui" || name == u"run_python_script")
        return std::nullopt;
    if (const auto found = sentences.constFind(name); found != sentences.constEnd())
        return *found;
    return QStringLiteral("Action '") + type + QStringLiteral("' is not supported.");
}

} // namespace

void AppModel::submitPrompt()
{
    const QString text = m_promptText.trimmed();
    if (text.isEmpty() || m_isResponding)
        return;
    appendMessage(ConversationRole::user, m_inputMode, text);
    setPromptText(QString());
    setResponding(true);
    if (m_services.recognizesCommand(text)) {
        runCommandRoute(text);
        return;
    }
    runAssistantRoute({.prompt = text, .mode = InputMode::quiet, .artifacts = artifacts()});
}

QCoro::Task<> AppModel::runCommandRoute(QString text)
{
    WorkToken work(this);
    QPointer<AppModel> self(this);
    const std::shared_ptr<ComputerUseService> service = m_services.computerUseService;
    ComputerUseResult result = co_await service->executeTypedCommand(std::move(text));
    if (!self)
        co_return;
    applyComputerUseResultOnce(std::move(result), m_inputMode == InputMode::voice);
    setResponding(false);
}

QCoro::Task<> AppModel::runAssistantRoute(AssistantRequest request)
{
    WorkToken work(this);
    QPointer<AppModel> self(this);
    const std::shared_ptr<AssistantProvider> provider = m_services.assistantProvider;
    AssistantResponse response = co_await provider->respond(std::move(request));
    if (!self)
        co_return;
    applyResponse(std::move(response));
}

void AppModel::applyResponse(AssistantResponse response)
{
    if (response.failed)
        ++m_failedOutcomeCount;
    m_messages->append(response.message);
    for (const Artifact& artifact : std::as_const(response.artifacts))
        appendArtifact(artifact);
    if (!response.artifacts.isEmpty())
        setSelectedArtifactID(response.artifacts.last().id);
    setResponding(false);
    if (response.action)
        runAction(*response.action);
    for (const Artifact& artifact : std::as_const(response.artifacts))
        resolvePendingImages(artifact);
}

std::optional<Artifact> AppModel::placeholderFor(const QString& actionType,
                                                 const std::optional<QString>& scriptCode) const
{
    // Deliberately exact: "Run_Python_Script" runs the script but shows no placeholder.
    if (actionType == u"run_python_script" && scriptCode) {
        const QString lowered = scriptCode->toLower();
        if (lowered.contains(u"presentation") || lowered.contains(u"pptx")) {
            return Artifact{.kind = ArtifactKind::presentation,
                            .title = QStringLiteral("Creating Presentation Slides..."),
                            .status = ArtifactStatus::running};
        }
        return std::nullopt;
    }
    if (actionType == u"generate_image") {
        return Artifact{.kind = ArtifactKind::image,
                        .title = QStringLiteral("Generating Image..."),
                        .status = ArtifactStatus::running};
    }
    return std::nullopt;
}

QCoro::Task<ComputerUseResult> AppModel::approvedScript(QString code)
{
    const std::shared_ptr<ComputerUseService> service = m_services.computerUseService;
    const std::shared_ptr<ActionApprover> approver = m_services.actionApprover;
    const ProposedAction proposed{.kind = ProposedAction::Kind::runScript, .text = code};
    // A copy moved in: GCC 12 destroys some temporaries of a co_await expression twice.
    ProposedAction asked = proposed;
    const ApprovalDecision decision = co_await approver->approve(std::move(asked));
    if (!isApproved(decision))
        co_return ComputerUseResult::failure(notApprovedSentence(proposed, decision));
    co_return co_await service->runPythonScript(std::move(code), scriptPermissions(decision));
}

QCoro::Task<> AppModel::runAction(AssistantAction action)
{
    WorkToken work(this);
    QPointer<AppModel> self(this);
    const std::shared_ptr<ComputerUseService> service = m_services.computerUseService;

    setResponding(true);
    // However this ends, the composer is not left locked.
    const auto unlock = qScopeGuard([self] {
        if (self)
            self->setResponding(false);
    });
    std::optional<QUuid> placeholderID;
    if (auto placeholder = placeholderFor(action.type, action.scriptCode)) {
        placeholderID = placeholder->id;
        appendArtifact(std::move(*placeholder));
        setSelectedArtifactID(placeholderID);
    }

    const QString name = action.type.trimmed().toLower();
    ComputerUseResult result;
    if (name == u"inspect_ui") {
        result = co_await service->inspectUI();
    } else if (name == u"run_python_script") {
        if (QString code = action.scriptCode.value_or(QString()); !code.isEmpty())
            result = co_await approvedScript(std::move(code));
        else
            result.summary = QStringLiteral("No script code provided.");
    } else {
        result.summary = fixedActionSentence(name, action.type).value_or(QString());
    }
    // The result is applied on a later turn even when no service was asked, so the
    // placeholder is on screen for at least one frame.
    co_await QCoro::sleepFor(0ms);
    if (!self)
        co_return;

    setResponding(false);
    if (placeholderID)
        removeArtifact(*placeholderID);
    if (result.artifact) {
        const QUuid id = result.artifact->id;
        appendArtifact(std::move(*result.artifact));
        setSelectedArtifactID(id);
    }
    if (result.failed)
        ++m_failedOutcomeCount;
    appendMessage(ConversationRole::assistant, m_inputMode, result.summary);
}

void AppModel::startNewSession()
{
    // Nothing the old conversation proposed runs in the new one.
    if (m_services.approvalRequests)
        m_services.approvalRequests->declineAll();
    setResponding(false);
    m_messages->clear();
    m_artifacts->clear();
    setSelectedArtifactID(std::nullopt);
    setSelectedSection(SidebarSection::chat);
    setPromptText(QString());
    stopRealtimeSession();
}

QCoro::Task<> AppModel::stopRealtimeSession()
{
    const std::shared_ptr<RealtimeVoiceService> service = m_services.realtimeVoiceService;
    co_await service->stop();
}

void AppModel::setMode(InputMode mode)
{
    setInputMode(mode);
    if (mode == InputMode::voice)
        startComputerUseVoiceMode();
    else
        turnRealtimeAudioOff();
}

QCoro::Task<> AppModel::turnRealtimeAudioOff()
{
    const std::shared_ptr<RealtimeVoiceService> service = m_services.realtimeVoiceService;
    if (service->isActive())
        co_await service->setVoiceMode(false);
}

} // namespace korvane
