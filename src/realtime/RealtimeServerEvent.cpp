// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/RealtimeServerEvent.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

namespace korvane {

namespace {

std::optional<QString> stringMember(const QJsonObject& object, QStringView name)
{
    const QJsonValue value = object.value(name);
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<int> integerMember(const QJsonObject& object, QStringView name)
{
    const QJsonValue value = object.value(name);
    const double number = value.toDouble(-1.0);
    if (!value.isDouble() || number < 0 || number > 1'000'000 || number != double(int(number)))
        return std::nullopt;
    return int(number);
}

QString errorMessage(const QJsonObject& event)
{
    const QJsonValue error = event.value(u"error");
    if (error.isObject()) {
        if (const std::optional<QString> message = stringMember(error.toObject(), u"message"))
            return *message;
    }
    return QStringLiteral("Realtime API error.");
}

RealtimeServerEvent::Payload payloadOf(const QString& type, const QJsonObject& event)
{
    using Event = RealtimeServerEvent;
    if (type == u"input_audio_buffer.speech_started")
        return Event::SpeechStarted{};
    if (type == u"response.created")
        return Event::ResponseCreated{};
    if (type == u"session.created")
        return Event::SessionCreated{};
    if (type == u"response.done")
        return Event::ResponseDone{};
    if (type == u"response.output_audio.delta")
        return Event::AudioDelta{stringMember(event, u"delta"), stringMember(event, u"item_id"),
                                 integerMember(event, u"content_index")};
    if (type == u"response.output_audio_transcript.delta" ||
        type == u"response.output_text.delta" || type == u"response.text.delta")
        return Event::TranscriptDelta{stringMember(event, u"delta")};
    if (type == u"response.output_audio_transcript.done")
        return Event::TranscriptDone{stringMember(event, u"transcript")};
    if (type == u"response.output_text.done" || type == u"response.text.done")
        return Event::TranscriptDone{stringMember(event, u"text")};
    if (type == u"conversation.item.input_audio_transcription.completed")
        return Event::UserTranscription{stringMember(event, u"transcript")};
    if (type == u"response.function_call_arguments.done")
        return Event::FunctionCall{stringMember(event, u"name"), stringMember(event, u"call_id"),
                                   stringMember(event, u"arguments")};
    if (type == u"error")
        return Event::Error{errorMessage(event)};
    return Event::Other{};
}

} // namespace

std::optional<RealtimeServerEvent> RealtimeServerEvent::parse(QStringView text)
{
    if (text.size() > maximumTextSize)
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject event = document.object();
    const std::optional<QString> type = stringMember(event, u"type");
    if (!type)
        return std::nullopt;
    return RealtimeServerEvent{*type, payloadOf(*type, event)};
}

} // namespace korvane
