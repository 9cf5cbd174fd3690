// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ArtifactText.h"

#include <QCoreApplication>

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
        return QCoreApplication::translate("ArtifactText", "Markdown");
    case ArtifactKind::note:
        return QCoreApplication::translate("ArtifactText", "Note");
    case ArtifactKind::diagram:
        return QCoreApplication::translate("ArtifactText", "Diagram");
    case ArtifactKind::image:
        return QCoreApplication::translate("ArtifactText", "Image");
    case ArtifactKind::record:
        return QCoreApplication::translate("ArtifactText", "Record");
    case ArtifactKind::progress:
        return QCoreApplication::translate("ArtifactText", "Progress");
    case ArtifactKind::search:
        return QCoreApplication::translate("ArtifactText", "Search");
    case ArtifactKind::presentation:
        return QCoreApplication::translate("ArtifactText", "Presentation");
    }
    return {};
}

QString statusLabel(ArtifactStatus status)
{
    switch (status) {
    case ArtifactStatus::ready:
        return QCoreApplication::translate("ArtifactText", "Ready");
    case ArtifactStatus::running:
        return QCoreApplication::translate("ArtifactText", "Running");
    case ArtifactStatus::needsReview:
        return QCoreApplication::translate("ArtifactText", "Needs Review");
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
    return hasAssistantMessage
               ? QCoreApplication::translate("ArtifactText", "Realtime Output")
               : QCoreApplication::translate("ArtifactText", "Waiting for Response");
}

} // namespace korvane
