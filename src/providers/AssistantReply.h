// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/AssistantResponse.h"

#include <QString>

#include <optional>

namespace korvane {

// A model reply with a surrounding Markdown code fence ("```json" or "```") removed and
// trimmed. A lone closing fence is removed too.
QString cleanJsonString(const QString& text);

// The text assistant's reply mapped onto a response, before any web search ran.
struct AssistantReplyMapping {
    AssistantResponse response{};
    // Set when the reply asked for a web search: the query, with the artifact still to be
    // built by searchArtifact() from its results. `response.artifacts` is then empty.
    std::optional<QString> searchQuery{};

    friend bool operator==(const AssistantReplyMapping&, const AssistantReplyMapping&) = default;
};

// Maps the content of a chat reply (`choices[0].message.content`, trimmed) onto a response.
// Text that is not a JSON object, even after fence stripping, becomes the message verbatim.
AssistantReplyMapping mapAssistantReply(const QString& content);

// The "search" artifact for `query` with the encoded result list as body.
Artifact searchArtifact(const QString& query, const QString& resultsJson);

// A fresh assistant message (quiet mode, now) with `content`.
ConversationMessage assistantMessage(const QString& content);

// The fixed system prompt of the text assistant; its example path is below the user's home.
QString assistantSystemPrompt();

} // namespace korvane
