// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "providers/AssistantProvider.h"

#include <QPointer>
#include <QString>

class QNetworkAccessManager;

namespace korvane {

// The text assistant and image generation over an OpenAI-compatible service. Holds no
// mutable state: concurrent calls are independent. The key and host are read at every call.
class OpenAIAssistantProvider final : public AssistantProvider, public GptImageGenerator {
public:
    // `session` carries the chat and image requests; without one, the calling thread's
    // network manager does.
    explicit OpenAIAssistantProvider(QString model, QNetworkAccessManager* session = nullptr);

    AssistantProviderKind kind() const override;
    QString model() const;

    QCoro::Task<AssistantResponse> respond(AssistantRequest request) override;
    QCoro::Task<std::optional<QString>> generateGptImage(QString prompt, QString size) override;

private:
    QString m_model;
    QPointer<QNetworkAccessManager> m_session;
};

} // namespace korvane
