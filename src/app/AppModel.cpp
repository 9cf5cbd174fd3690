#include "app/AppModel.h"

#include "app/AppIntentRouter.h"
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

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QMetaObject>
#include <QRegularExpression>
#include <QTimer>
#include <qcoro/qcorotimer.h>

#include <chrono>

Q_LOGGING_CATEGORY(lcAppModel, "korvane.app.model")

namespace korvane {

namespace {

using namespace std::chrono_literals;

const QString apologySentence = QStringLiteral(
    "I'm having trouble connecting to my service right now. I've logged the issue for my "
    "administrator to look into. Please try again in a few moments.");

// A presentation source larger than this is not searched for image placeholders.
constexpr qsizetype maximumPresentationScanSize = 4 * 1024 * 1024;

bool holdsMicrophone(RealtimeVoiceState state)
{
    return state == RealtimeVoiceState::connecting || state == RealtimeVoiceState::recording ||
           state == RealtimeVoiceState::speaking;
}

bool sessionEnded(RealtimeVoiceState state)
{
    return state == RealtimeVoiceState::idle || state == RealtimeVoiceState::failed;
}

// Runs `function` on a later turn of the main loop, after everything posted before it.
template <typename Function>
void postToMainLoop(Function function)
{
    if (QCoreApplication* application = QCoreApplication::instance())
        QMetaObject::invokeMethod(application, std::move(function), Qt::QueuedConnection);
}

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

// Counts one piece of work for as long as it lives; harmless once the model is gone.
class AppModel::WorkToken final {
public:
    explicit WorkToken(AppModel* model)
        : m_model(model)
    {
        model->beginWork();
    }
    ~WorkToken()
    {
        if (m_model)
            m_model->endWork();
    }
    Q_DISABLE_COPY_MOVE(WorkToken)

private:
    QPointer<AppModel> m_model;
};

AppModel::AppModel(AppModelServices services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_messages(new MessageListModel(this))
    , m_artifacts(new ArtifactListModel(this))
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

MessageListModel* AppModel::messageModel() const
{
    return m_messages;
}

ArtifactListModel* AppModel::artifactModel() const
{
    return m_artifacts;
}

QString AppModel::selectedSectionText() const
{
    return m_selectedSection ? rawValue(*m_selectedSection) : QString();
}

void AppModel::setSelectedSectionText(const QString& section)
{
    if (section.isEmpty()) {
        setSelectedSection(std::nullopt);
        return;
    }
    if (const auto value = fromRawValue<SidebarSection>(section))
        setSelectedSection(value);
}

QString AppModel::selectedArtifactIDText() const
{
    return m_selectedArtifactID ? m_selectedArtifactID->toString(QUuid::WithoutBraces) : QString();
}

void AppModel::setSelectedArtifactIDText(const QString& id)
{
    const QUuid uuid = QUuid::fromString(id);
    setSelectedArtifactID(uuid.isNull() ? std::nullopt : std::optional<QUuid>(uuid));
}

QString AppModel::inputModeText() const
{
    return rawValue(m_inputMode);
}

QString AppModel::realtimeVoiceStateText() const
{
    return rawValue(m_realtimeVoiceState);
}

QString AppModel::tempVoiceArtifactIDText() const
{
    return m_tempVoiceArtifactID ? m_tempVoiceArtifactID->toString(QUuid::WithoutBraces)
                                 : QString();
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

// MARK: - Prompts

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
    ComputerUseResult result = co_await service->execute(std::move(text));
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

QCoro::Task<> AppModel::runAction(AssistantAction action)
{
    WorkToken work(this);
    QPointer<AppModel> self(this);
    const std::shared_ptr<ComputerUseService> service = m_services.computerUseService;

    setResponding(true);
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
        if (action.scriptCode && !action.scriptCode->isEmpty())
            result = co_await service->runPythonScript(*action.scriptCode);
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
    appendMessage(ConversationRole::assistant, m_inputMode, result.summary);
}

void AppModel::startNewSession()
{
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

void AppModel::setMode(const QString& mode)
{
    if (const auto value = fromRawValue<InputMode>(mode))
        setMode(*value);
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

// MARK: - Results

void AppModel::applyRealtimeComputerUseResult(ComputerUseResult result, bool speak)
{
    // With a live session the realtime model speaks and transcribes its own answer.
    if (!m_services.realtimeVoiceService->isActive()) {
        const int row =
            m_realtimeTranscriptMessageID ? m_messages->rowOf(*m_realtimeTranscriptMessageID) : -1;
        if (row >= 0) {
            m_messages->setContent(row, result.summary);
        } else {
            ConversationMessage message{.role = ConversationRole::assistant,
                                        .mode = m_inputMode,
                                        .content = result.summary};
            m_realtimeTranscriptMessageID = message.id;
            m_messages->append(std::move(message));
        }
    }
    applyArtifactAndSpeech(result, speak);
}

void AppModel::applyComputerUseResultOnce(ComputerUseResult result, bool speak)
{
    // A typed command gets its own message: it is written once, after the user's message, and
    // never takes over (or is taken over by) the message realtime output goes to.
    appendMessage(ConversationRole::assistant, m_inputMode, result.summary);
    applyArtifactAndSpeech(result, speak);
}

void AppModel::applyArtifactAndSpeech(const ComputerUseResult& result, bool speak)
{
    if (result.artifact) {
        appendArtifact(*result.artifact);
        setSelectedArtifactID(result.artifact->id);
        resolvePendingImages(*result.artifact);
    }

    if (speak && m_inputMode == InputMode::voice) {
        QPointer<AppModel> self(this);
        m_services.spokenFeedback->speak(result.summary, [self] {
            if (!self)
                return;
            if (!sessionEnded(self->m_realtimeVoiceState)) {
                self->m_services.realtimeVoiceService
                    ->finishLocalFeedbackAndScheduleIdleDisconnect();
                return;
            }
            self->m_realtimeTranscriptMessageID.reset();
            self->startWakeWordListening();
        });
        return;
    }
    if (!sessionEnded(m_realtimeVoiceState))
        m_services.realtimeVoiceService->finishLocalFeedbackAndScheduleIdleDisconnect();
}

void AppModel::upsertRealtimeTranscript(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return;
    const int row =
        m_realtimeTranscriptMessageID ? m_messages->rowOf(*m_realtimeTranscriptMessageID) : -1;
    if (row >= 0) {
        m_messages->setContent(row, trimmed);
        return;
    }
    ConversationMessage message{
        .role = ConversationRole::assistant, .mode = m_inputMode, .content = trimmed};
    m_realtimeTranscriptMessageID = message.id;
    m_messages->append(std::move(message));
}

// MARK: - Pending images

void AppModel::resolvePendingImages(const Artifact& artifact)
{
    if (artifact.isPendingGeneratedImage()) {
        const QStringList parts = artifact.body.split(u'|');
        if (parts.size() < 2)
            generateImage(artifact.id, artifact.body, QStringLiteral("1024x1024"));
        else
            generateImage(artifact.id, parts.at(1), parts.at(0));
        return;
    }
    if (const auto description = artifact.pendingCoverImageDescription()) {
        generateCoverImage(artifact.id, *description);
        return;
    }
    if (artifact.kind != ArtifactKind::presentation)
        return;
    if (artifact.body.size() > maximumPresentationScanSize) {
        qCWarning(lcAppModel) << "presentation too large to look for image placeholders:"
                              << artifact.body.size() << "characters";
        return;
    }
    static const QRegularExpression placeholder(
        QStringLiteral(R"(\[IMAGE:generating\|([^\]]+)\])"));
    if (!placeholder.isValid())
        return;
    QRegularExpressionMatchIterator matches = placeholder.globalMatch(artifact.body);
    while (matches.hasNext())
        generatePresentationImage(artifact.id, matches.next().captured(1));
}

QCoro::Task<> AppModel::generateImage(QUuid artifactID, QString description, QString size)
{
    const std::shared_ptr<AssistantProvider> provider = m_services.assistantProvider;
    auto* generator = dynamic_cast<GptImageGenerator*>(provider.get());
    if (!generator)
        co_return;
    WorkToken work(this);
    QPointer<AppModel> self(this);
    const std::optional<QString> path =
        co_await generator->generateGptImage(std::move(description), std::move(size));
    if (!self || !path)
        co_return;
    const int row = m_artifacts->rowOf(artifactID);
    if (row < 0)
        co_return;
    Artifact updated = m_artifacts->items().at(row);
    updated.body = *path;
    updated.status = ArtifactStatus::ready;
    m_artifacts->replace(row, std::move(updated));
}

QCoro::Task<> AppModel::generateCoverImage(QUuid artifactID, QString description)
{
    const std::shared_ptr<AssistantProvider> provider = m_services.assistantProvider;
    auto* generator = dynamic_cast<GptImageGenerator*>(provider.get());
    if (!generator)
        co_return;
    WorkToken work(this);
    QPointer<AppModel> self(this);
    const std::optional<QString> path =
        co_await generator->generateGptImage(std::move(description), QStringLiteral("1536x1024"));
    if (!self || !path)
        co_return;
    const int row = m_artifacts->rowOf(artifactID);
    if (row < 0)
        co_return;
    Artifact updated = m_artifacts->items().at(row);
    updated.imagePath = *path;
    m_artifacts->replace(row, std::move(updated));
}

QCoro::Task<> AppModel::generatePresentationImage(QUuid artifactID, QString description)
{
    const std::shared_ptr<AssistantProvider> provider = m_services.assistantProvider;
    auto* generator = dynamic_cast<GptImageGenerator*>(provider.get());
    if (!generator)
        co_return;
    WorkToken work(this);
    QPointer<AppModel> self(this);
    const std::optional<QString> path =
        co_await generator->generateGptImage(description, QStringLiteral("1024x1024"));
    if (!self || !path)
        co_return;
    const int row = m_artifacts->rowOf(artifactID);
    if (row < 0)
        co_return;
    // Edit the body as it is now: other placeholders may have been filled in meanwhile.
    Artifact updated = m_artifacts->items().at(row);
    const QString marker = QStringLiteral("[IMAGE:generating|") + description + u']';
    if (!updated.body.contains(marker))
        co_return;
    updated.body.replace(marker, QStringLiteral("[IMAGE:") + *path + u']');
    m_artifacts->replace(row, std::move(updated));
}

// MARK: - Voice

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
    if (sessionEnded(m_realtimeVoiceState))
        m_services.wakeWordListener->start();
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
