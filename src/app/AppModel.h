// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/AppIntentRoute.h"
#include "app/AppModelServices.h"
#include "app/ApprovalRequests.h"
#include "app/ArtifactListModel.h"
#include "app/MessageListModel.h"
#include "core/AssistantResponse.h"
#include "core/AsyncSemaphore.h"
#include "core/ComputerUseResult.h"
#include "core/SidebarSection.h"
#include "realtime/RealtimeVoiceState.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUuid>
#include <QVariant>
#include <qcoro/qcorotask.h>

#include <functional>
#include <optional>

namespace korvane {

class AppIntentRouter;
struct HeardWakePhrase;

// The conversation, the inspector's documents, the modes, and the road of every prompt,
// result and voice event. Lives on the main thread; every service reports back into it.
//
// The window reads the selected artifact as a map with the list model's role names, empty when
// there is none.
class AppModel final : public QObject {
    Q_OBJECT
    Q_PROPERTY(korvane::InputMode inputMode READ inputMode NOTIFY inputModeChanged)
    Q_PROPERTY(QString promptText READ promptText WRITE setPromptText NOTIFY promptTextChanged)
    Q_PROPERTY(bool shouldFocusPrompt READ shouldFocusPrompt NOTIFY shouldFocusPromptChanged)
    Q_PROPERTY(korvane::RealtimeVoiceState realtimeVoiceState READ realtimeVoiceState NOTIFY
                   realtimeVoiceStateChanged)
    Q_PROPERTY(bool isWakeWordListening READ isWakeWordListening NOTIFY isWakeWordListeningChanged)
    Q_PROPERTY(bool isWakePhraseEnabled READ isWakePhraseEnabled WRITE setWakePhraseEnabled NOTIFY
                   isWakePhraseEnabledChanged)
    Q_PROPERTY(bool isResponding READ isResponding NOTIFY isRespondingChanged)
    Q_PROPERTY(
        QVariantMap selectedArtifact READ selectedArtifactValue NOTIFY selectedArtifactChanged)
    Q_PROPERTY(korvane::MessageListModel* messages READ messageModel CONSTANT)
    Q_PROPERTY(korvane::ArtifactListModel* artifacts READ artifactModel CONSTANT)
    Q_PROPERTY(int pendingWorkCount READ pendingWorkCount NOTIFY pendingWorkCountChanged)
    // The proposed actions waiting for the person's answer; null without a window.
    Q_PROPERTY(korvane::ApprovalRequests* approvals READ approvals CONSTANT)

public:
    // Installs the callbacks on the realtime and wake phrase services, then starts wake
    // phrase listening.
    explicit AppModel(AppModelServices services, QObject* parent = nullptr);
    ~AppModel() override;
    Q_DISABLE_COPY_MOVE(AppModel)

    std::optional<SidebarSection> selectedSection() const;
    void setSelectedSection(std::optional<SidebarSection> section);
    std::optional<QUuid> selectedArtifactID() const;
    void setSelectedArtifactID(std::optional<QUuid> id);
    InputMode inputMode() const;
    QString promptText() const;
    void setPromptText(const QString& text);
    bool shouldFocusPrompt() const;
    RealtimeVoiceState realtimeVoiceState() const;
    bool isWakeWordListening() const;
    // Whether the wake phrase listener may run at all; the person switches it off and on.
    bool isWakePhraseEnabled() const;
    // Off stops the listener and keeps it stopped, also after voice sessions end.
    void setWakePhraseEnabled(bool enabled);
    bool isResponding() const;
    std::optional<QUuid> tempVoiceArtifactID() const;
    const QList<ConversationMessage>& messages() const;
    const QList<Artifact>& artifacts() const;
    // The selected artifact when it still exists, else the first one; absent when none.
    std::optional<Artifact> selectedArtifact() const;
    // The assistant message that currently collects realtime output.
    std::optional<QUuid> realtimeTranscriptMessageID() const;

    // Prompts, actions, wake-phrase commands and image generations still running. Zero means
    // the model has gone quiet: nothing more will change without new input.
    int pendingWorkCount() const;
    // Answers and results so far whose sentence tells of a failure.
    int failedOutcomeCount() const;

    MessageListModel* messageModel() const;
    ArtifactListModel* artifactModel() const;
    ApprovalRequests* approvals() const;

    QVariantMap selectedArtifactValue() const;

    Q_INVOKABLE void submitPrompt();
    Q_INVOKABLE void startNewSession();
    Q_INVOKABLE void setMode(korvane::InputMode mode);
    // Enters voice mode and starts the realtime session, or ends the one that is running or
    // connecting.
    Q_INVOKABLE void startComputerUseVoiceMode();
    // The hold-to-talk key went down: voice mode, and a spoken turn that lasts while it is held.
    // The window stays where it is, so the person can talk about what is in front of them.
    Q_INVOKABLE void beginHoldToTalk();
    // The hold-to-talk key went up: the turn is answered.
    Q_INVOKABLE void endHoldToTalk();
    Q_INVOKABLE void applyIntentRoute(const korvane::AppIntentRoute& route);
    // Asks the composer to take keyboard focus.
    Q_INVOKABLE void toggleShouldFocusPrompt();

    // Applies every route `router` publishes from now on, and the one it holds already.
    void followIntentRouter(AppIntentRouter& router);
    // The window installs its activator once it exists.
    void setWindowActivator(std::shared_ptr<WindowActivator> activator);

    // Writes one computer-use result into the conversation and the inspector.
    void applyRealtimeComputerUseResult(ComputerUseResult result, bool speak);
    // Puts the realtime model's transcript so far into the conversation.
    void upsertRealtimeTranscript(const QString& text);
    // The words after a detected wake phrase: a command heard clearly runs at once, anything
    // else opens a voice session.
    void handleWakePhrase(const HeardWakePhrase& heard);
    // Starts the wake phrase listener unless a realtime session holds the microphone.
    void startWakeWordListening();

Q_SIGNALS:
    void selectedSectionChanged();
    void selectedArtifactIDChanged();
    void inputModeChanged();
    void promptTextChanged();
    void shouldFocusPromptChanged();
    void realtimeVoiceStateChanged();
    void isWakeWordListeningChanged();
    void isWakePhraseEnabledChanged();
    void isRespondingChanged();
    void tempVoiceArtifactIDChanged();
    void selectedArtifactChanged();
    void pendingWorkCountChanged();
    // pendingWorkCount has dropped to zero.
    void wentQuiet();

private:
    class WorkToken;

    void configureRealtimeVoice();
    void configureWakeWordVoice();
    void bringAppToFront();

    void setInputMode(InputMode mode);
    void setRealtimeVoiceState(RealtimeVoiceState state);
    void setWakeWordListening(bool listening);
    void setResponding(bool responding);
    void setTempVoiceArtifactID(std::optional<QUuid> id);
    void beginWork();
    void endWork();

    void appendMessage(ConversationRole role, std::optional<InputMode> mode, QString content);
    void appendArtifact(Artifact artifact);
    bool removeArtifact(const QUuid& id);
    // A running placeholder for an action that makes slides or an image; none for the rest.
    std::optional<Artifact> placeholderFor(const QString& actionType,
                                           const std::optional<QString>& scriptCode) const;
    void applyResponse(AssistantResponse response);
    void applyComputerUseResultOnce(ComputerUseResult result, bool speak);
    void applyArtifactAndSpeech(const ComputerUseResult& result, bool speak);
    void resolvePendingImages(const Artifact& artifact);

    QCoro::Task<> runCommandRoute(QString text);
    QCoro::Task<> runAssistantRoute(AssistantRequest request);
    QCoro::Task<> runAction(AssistantAction action);
    // The script once the approver allows it, else the sentence saying why it did not run.
    QCoro::Task<ComputerUseResult> approvedScript(QString code);
    QCoro::Task<> runWakePhraseCommand(QString text);
    // Edits the artifact with the generated image's path, or marks the image failed when
    // there is none; false leaves the artifact as it is.
    using ImageFill = std::function<bool(Artifact&, const std::optional<QString>&)>;
    QCoro::Task<> generateImageInto(QUuid artifactID, QString description, QString size,
                                    ImageFill fill);
    QCoro::Task<> generateImage(QUuid artifactID, QString description, QString size);
    QCoro::Task<> generateCoverImage(QUuid artifactID, QString description);
    QCoro::Task<> generatePresentationImage(QUuid artifactID, QString description);
    QCoro::Task<> toggleRealtimeSession();
    QCoro::Task<> turnRealtimeAudioOff();
    QCoro::Task<> stopRealtimeSession();

    // What the realtime service and the wake phrase listener report, each run on a later turn
    // of the main loop.
    void realtimeStateChanged(RealtimeVoiceState state);
    void computerUseStarted(const QString& action, const std::optional<QString>& scriptCode);
    void computerUseFinished(ComputerUseResult result);
    void realtimeResponseDone();
    void realtimeFailed(const QString& message);
    void wakeWordFailed(const QString& message);

    AppModelServices m_services;
    MessageListModel* m_messages = nullptr;
    ArtifactListModel* m_artifacts = nullptr;

    std::optional<SidebarSection> m_selectedSection = SidebarSection::chat;
    std::optional<QUuid> m_selectedArtifactID{};
    InputMode m_inputMode = InputMode::quiet;
    QString m_promptText{};
    bool m_shouldFocusPrompt = false;
    RealtimeVoiceState m_realtimeVoiceState = RealtimeVoiceState::idle;
    bool m_isWakeWordListening = false;
    bool m_isWakePhraseEnabled = true;
    bool m_isResponding = false;
    std::optional<QUuid> m_tempVoiceArtifactID{};
    std::optional<QUuid> m_realtimeTranscriptMessageID{};
    int m_pendingWorkCount = 0;
    int m_failedOutcomeCount = 0;
    QPointer<AppIntentRouter> m_router{};
    // Paid generations in flight at once.
    AsyncSemaphore* m_imageGenerations = nullptr;
};

} // namespace korvane
