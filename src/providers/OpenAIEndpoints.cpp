// SPDX-License-Identifier: GPL-3.0-or-later
#include "providers/OpenAIEndpoints.h"

#include "core/Configuration.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace korvane::OpenAIEndpoints {

HttpFetchRequest jsonPostRequest(QStringView path, const QString& apiKey, QByteArray body)
{
    HttpFetchRequest fetch;
    fetch.request.setUrl(Configuration::openAIEndpoint(path.toString()));
    fetch.request.setRawHeader(QByteArrayLiteral("Authorization"),
                               QByteArrayLiteral("Bearer ") + apiKey.toUtf8());
    fetch.request.setRawHeader(QByteArrayLiteral("Content-Type"),
                               QByteArrayLiteral("application/json"));
    fetch.method = QByteArrayLiteral("POST");
    fetch.body = std::move(body);
    fetch.timeout = requestTimeout;
    fetch.maximumBodyBytes = maximumReplyBytes;
    return fetch;
}

QByteArray chatCompletionBody(const QString& model, const QString& systemPrompt,
                              const QString& userPrompt)
{
    const QJsonArray messages{
        QJsonObject{{QStringLiteral("role"), QStringLiteral("system")},
                    {QStringLiteral("content"), systemPrompt}},
        QJsonObject{{QStringLiteral("role"), QStringLiteral("user")},
                    {QStringLiteral("content"), userPrompt}},
    };
    const QJsonObject body{
        {QStringLiteral("model"), model},
        {QStringLiteral("messages"), messages},
        {QStringLiteral("response_format"),
         QJsonObject{{QStringLiteral("type"), QStringLiteral("json_object")}}},
    };
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

HttpFetchRequest chatCompletionRequest(const QString& model, const QString& systemPrompt,
                                       const QString& userPrompt, const QString& apiKey)
{
    return jsonPostRequest(chatCompletionsPath, apiKey,
                           chatCompletionBody(model, systemPrompt, userPrompt));
}

std::optional<QString> chatCompletionContent(const QByteArray& body)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (!document.isObject())
        return std::nullopt;
    const QJsonValue choices = document.object().value(QLatin1String("choices"));
    if (!choices.isArray())
        return std::nullopt;
    const QJsonArray list = choices.toArray();
    if (list.isEmpty())
        return std::nullopt;
    // A list with anything but objects in it is not a list of choices.
    for (const QJsonValue& choice : list) {
        if (!choice.isObject())
            return std::nullopt;
    }
    const QJsonValue message = list.first().toObject().value(QLatin1String("message"));
    if (!message.isObject())
        return std::nullopt;
    const QJsonValue content = message.toObject().value(QLatin1String("content"));
    if (!content.isString())
        return std::nullopt;
    return content.toString();
}

} // namespace korvane::OpenAIEndpoints
