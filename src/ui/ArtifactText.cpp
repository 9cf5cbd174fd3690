#include "ui/ArtifactText.h"

#include <algorithm>

namespace korvane {

QString kindSymbol(ArtifactKind kind)
{
    switch (kind) {
    case ArtifactKind::markdown:
        return QStringLiteral("doc.text");
    case ArtifactKind::note:
        return QStringLiteral("square.and.pencil");
    case ArtifactKind::diagram:
        return QStringLiteral("point.3.connected.trianglepath.dotted");
    case ArtifactKind::image:
        return QStringLiteral("photo");
    case ArtifactKind::record:
        return QStringLiteral("list.bullet.rectangle");
    case ArtifactKind::progress:
        return QStringLiteral("circle.dotted");
    case ArtifactKind::search:
        return QStringLiteral("magnifyingglass");
    case ArtifactKind::presentation:
        return QStringLiteral("play.rectangle");
    }
    return {};
}

QString kindLabel(ArtifactKind kind)
{
    switch (kind) {
    case ArtifactKind::markdown:
        return QStringLiteral("Markdown");
    case ArtifactKind::note:
        return QStringLiteral("Note");
    case ArtifactKind::diagram:
        return QStringLiteral("Diagram");
    case ArtifactKind::image:
        return QStringLiteral("Image");
    case ArtifactKind::record:
        return QStringLiteral("Record");
    case ArtifactKind::progress:
        return QStringLiteral("Progress");
    case ArtifactKind::search:
        return QStringLiteral("Search");
    case ArtifactKind::presentation:
        return QStringLiteral("Presentation");
    }
    return {};
}

QString statusLabel(ArtifactStatus status)
{
    switch (status) {
    case ArtifactStatus::ready:
        return QStringLiteral("Ready");
    case ArtifactStatus::running:
        return QStringLiteral("Running");
    case ArtifactStatus::needsReview:
        return QStringLiteral("Needs Review");
    }
    return {};
}

bool showsOpenFile(const std::optional<QString>& imagePath)
{
    return imagePath && imagePath->contains(u'/') &&
           !imagePath->startsWith(pendingCoverImagePrefix);
}

std::optional<ConversationMessage>
latestAssistantMessage(const QList<ConversationMessage>& messages)
{
    const auto found = std::find_if(messages.crbegin(), messages.crend(), [](const auto& message) {
        return message.role == ConversationRole::assistant;
    });
    if (found == messages.crend())
        return std::nullopt;
    return *found;
}

QString headerTitle(const std::optional<QString>& selectedArtifactTitle, bool hasAssistantMessage)
{
    if (selectedArtifactTitle)
        return *selectedArtifactTitle;
    return hasAssistantMessage ? QStringLiteral("Realtime Output")
                               : QStringLiteral("Waiting for Response");
}

} // namespace korvane
