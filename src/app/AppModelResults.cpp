// SPDX-License-Identifier: GPL-3.0-or-later
// AppModel: command results in the conversation and the inspector, and pending images.
#include "app/AppModelInternals.h"
#include "providers/AssistantProvider.h"
#include "realtime/RealtimeVoiceService.h"
#include "speech/SpokenFeedback.h"

#include <QRegularExpression>

namespace korvane {

namespace {

// A presentation source larger than this is not searched for image placeholders.
constexpr qsizetype maximumPresentationScanSize = 4 * 1024 * 1024;

} // namespace

void AppModel::applyRealtimeComputerUseResult(ComputerUseResult result, bool speak)
{
    if (result.failed)
        ++m_failedOutcomeCount;
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
    if (result.failed)
        ++m_failedOutcomeCount;
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
    QStringList beyondTheCap;
    for (int started = 0; matches.hasNext();) {
        const QString description = matches.next().captured(1);
        if (started < maximumImageGenerationsPerReply) {
            generatePresentationImage(artifact.id, description);
            ++started;
        } else {
            beyondTheCap.append(description);
        }
    }
    if (!beyondTheCap.isEmpty()) {
        const int row = m_artifacts->rowOf(artifact.id);
        if (row < 0)
            return;
        Artifact updated = m_artifacts->items().at(row);
        for (const QString& description : std::as_const(beyondTheCap))
            updated.body.replace(QStringLiteral("[IMAGE:generating|") + description + u']',
                                 QString());
        m_artifacts->replace(row, std::move(updated));
    }
}

QCoro::Task<> AppModel::generateImageInto(QUuid artifactID, QString description, QString size,
                                          ImageFill fill)
{
    const std::shared_ptr<AssistantProvider> provider = m_services.assistantProvider;
    auto* generator = dynamic_cast<GptImageGenerator*>(provider.get());
    WorkToken work(this);
    QPointer<AppModel> self(this);
    std::optional<QString> path;
    if (generator) {
        const AsyncSemaphore::Permit permit = co_await m_imageGenerations->acquire();
        if (!self)
            co_return;
        path = co_await generator->generateGptImage(std::move(description), std::move(size));
        if (!self)
            co_return;
    }
    const int row = m_artifacts->rowOf(artifactID);
    if (row < 0)
        co_return;
    // Edit the artifact as it is now: other placeholders may have been filled in meanwhile.
    Artifact updated = m_artifacts->items().at(row);
    if (fill(updated, path))
        m_artifacts->replace(row, std::move(updated));
}

QCoro::Task<> AppModel::generateImage(QUuid artifactID, QString description, QString size)
{
    return generateImageInto(
        artifactID, std::move(description), std::move(size),
        [](Artifact& artifact, const std::optional<QString>& path) {
            artifact.body = path.value_or(QStringLiteral("The image could not be generated."));
            artifact.status = path ? ArtifactStatus::ready : ArtifactStatus::needsReview;
            return true;
        });
}

QCoro::Task<> AppModel::generateCoverImage(QUuid artifactID, QString description)
{
    return generateImageInto(artifactID, std::move(description), QStringLiteral("1536x1024"),
                             [](Artifact& artifact, const std::optional<QString>& path) {
                                 // Without a picture the document simply has no cover.
                                 artifact.imagePath = path;
                                 return true;
                             });
}

QCoro::Task<> AppModel::generatePresentationImage(QUuid artifactID, QString description)
{
    const QString marker = QStringLiteral("[IMAGE:generating|") + description + u']';
    return generateImageInto(artifactID, std::move(description), QStringLiteral("1024x1024"),
                             [marker](Artifact& artifact, const std::optional<QString>& path) {
                                 if (!artifact.body.contains(marker))
                                     return false;
                                 // A slide without its picture rather than one waiting forever.
                                 artifact.body.replace(marker, path ? QStringLiteral("[IMAGE:") +
                                                                          *path + u']'
                                                                    : QString());
                                 return true;
                             });
}

} // namespace korvane
