// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/AssistantProviderKind.h"
#include "core/AssistantResponse.h"

#include <qcoro/qcorotask.h>

namespace korvane {

// A text assistant. `respond` never fails: failures become the reply's message text.
class AssistantProvider {
public:
    virtual ~AssistantProvider() = default;

    virtual AssistantProviderKind kind() const = 0;
    virtual QCoro::Task<AssistantResponse> respond(AssistantRequest request) = 0;
};

// Generates images for pending image artifacts. Only the OpenAI provider offers it; the
// application model asks its assistant provider for this interface and does nothing without it.
class GptImageGenerator {
public:
    virtual ~GptImageGenerator() = default;

    // The address of the generated image (normally a file:// URL), or nothing on any failure.
    virtual QCoro::Task<std::optional<QString>> generateGptImage(QString prompt, QString size) = 0;
};

} // namespace korvane
