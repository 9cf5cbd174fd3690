// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/HttpFetch.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <chrono>
#include <optional>

// What every caller fixes about the OpenAI-compatible services. The host comes from
// OPENAI_BASE_URL at every call; the key is passed in by the caller, which reads it itself.
namespace korvane::OpenAIEndpoints {

inline constexpr QStringView chatCompletionsPath = u"/v1/chat/completions";
inline constexpr QStringView imageGenerationsPath = u"/v1/images/generations";

inline constexpr std::chrono::milliseconds requestTimeout{60'000};
// Replies past this are failed requests, never partially read.
inline constexpr qint64 maximumReplyBytes = 16 * 1024 * 1024;

// A POST of a JSON body to `path` below the configured host, with the bearer key and the
// JSON content type, 60 s for the whole exchange.
HttpFetchRequest jsonPostRequest(QStringView path, const QString& apiKey, QByteArray body);

// The chat-completions body with exactly the keys "model", "messages" (system, then user)
// and "response_format" {"type": "json_object"}; compact.
QByteArray chatCompletionBody(const QString& model, const QString& systemPrompt,
                              const QString& userPrompt);

// jsonPostRequest to the chat-completions path with chatCompletionBody.
HttpFetchRequest chatCompletionRequest(const QString& model, const QString& systemPrompt,
                                       const QString& userPrompt, const QString& apiKey);

// `choices[0].message.content` of a chat-completions reply body, untrimmed; absent when the
// body is not an object, "choices" is not a non-empty array of objects, or the path has no
// string at its end.
std::optional<QString> chatCompletionContent(const QByteArray& body);

} // namespace korvane::OpenAIEndpoints
