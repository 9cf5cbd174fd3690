// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Artifact.h"
#include "core/ConversationMessage.h"

#include <QList>
#include <QString>

#include <optional>

namespace korvane {

// A follow-up the text assistant asks the program to carry out.
struct AssistantAction {
    QString type{};
    std::optional<QString> scriptCode{};

    friend bool operator==(const AssistantAction&, const AssistantAction&) = default;
};

// The text assistant's reply: one message, any artifacts, an optional action.
struct AssistantResponse {
    ConversationMessage message{};
    QList<Artifact> artifacts{};
    std::optional<AssistantAction> action{};
    // The message says the request failed (not configured, refused, unreachable…).
    bool failed = false;

    friend bool operator==(const AssistantResponse&, const AssistantResponse&) = default;
};

// What the application model hands to an assistant provider.
struct AssistantRequest {
    QString prompt{};
    // Nothing reads it; the typed-prompt path always passes the first mode.
    InputMode mode = InputMode::quiet;
    QList<Artifact> artifacts{};

    friend bool operator==(const AssistantRequest&, const AssistantRequest&) = default;
};

} // namespace korvane
