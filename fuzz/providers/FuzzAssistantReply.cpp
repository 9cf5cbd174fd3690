// SPDX-License-Identifier: GPL-3.0-or-later
#include "providers/AssistantReply.h"
#include "providers/GeneratedImage.h"
#include "providers/OpenAIEndpoints.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// Model replies are outside text: the chat reply reader, the fence stripping and the mapping
// must take anything, and the image reply reader the service's bodies.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = QString::fromUtf8(bytes);

    const korvane::AssistantReplyMapping mapping = korvane::mapAssistantReply(text);
    // A fenced reply is cleaned once; cleaning never grows the text.
    if (korvane::cleanJsonString(text).size() > text.size())
        __builtin_trap();
    if (mapping.searchQuery && !mapping.response.artifacts.isEmpty())
        __builtin_trap();
    if (mapping.response.artifacts.size() > 1)
        __builtin_trap();

    if (const std::optional<QString> content =
            korvane::OpenAIEndpoints::chatCompletionContent(bytes))
        korvane::mapAssistantReply(content->trimmed());
    if (const auto reply = korvane::GeneratedImage::readReply(bytes); reply && reply->b64Json)
        korvane::GeneratedImage::decodeBase64(*reply->b64Json);
    return 0;
}
