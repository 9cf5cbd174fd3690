// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "providers/AssistantProvider.h"

namespace korvane {

// Answers every prompt with a sentence saying the text assistant is missing from this build.
class UnavailableAssistantProvider final : public AssistantProvider {
public:
    static QString unavailableMessage();

    AssistantProviderKind kind() const override;
    QCoro::Task<AssistantResponse> respond(AssistantRequest request) override;
};

} // namespace korvane
