// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/UnavailableAssistantProvider.h"

namespace korvane {

QString UnavailableAssistantProvider::unavailableMessage()
{
    return QStringLiteral("The text assistant is not available in this build.");
}

AssistantProviderKind UnavailableAssistantProvider::kind() const
{
    return AssistantProviderKind::openAI;
}

QCoro::Task<AssistantResponse> UnavailableAssistantProvider::respond(AssistantRequest)
{
    co_return AssistantResponse{
        .message = {.role = ConversationRole::assistant, .content = unavailableMessage()},
        .failed = true};
}

} // namespace korvane
