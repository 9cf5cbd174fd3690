// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Artifact.h"
#include "core/ConversationMessage.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

namespace korvane {

// The symbol and label of an artifact kind, and the label of a status, in the detail header.
QString kindSymbol(ArtifactKind kind);
QString kindLabel(ArtifactKind kind);
QString statusLabel(ArtifactStatus status);

// "Open File" is offered only for paths that name a file, never for a pending cover image.
bool showsOpenFile(const std::optional<QString>& imagePath);

// The newest assistant message of the conversation.
std::optional<ConversationMessage>
latestAssistantMessage(const QList<ConversationMessage>& messages);

// The inspector's title: the selected artifact's, else whether anything was answered yet.
QString headerTitle(const std::optional<QString>& selectedArtifactTitle, bool hasAssistantMessage);

} // namespace korvane
