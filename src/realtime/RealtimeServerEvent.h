// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

#include <optional>
#include <variant>

namespace korvane {

// One event the realtime server sent, with the members the session reads. A member that is
// missing or not a string is absent.
struct RealtimeServerEvent {
    struct SpeechStarted {
        friend bool operator==(const SpeechStarted&, const SpeechStarted&) = default;
    };
    struct ResponseCreated {
        friend bool operator==(const ResponseCreated&, const ResponseCreated&) = default;
    };
    struct SessionCreated {
        friend bool operator==(const SessionCreated&, const SessionCreated&) = default;
    };
    struct ResponseDone {
        friend bool operator==(const ResponseDone&, const ResponseDone&) = default;
    };
    // "response.output_audio.delta": base64 PCM, and the answer item it belongs to.
    struct AudioDelta {
        std::optional<QString> delta{};
        std::optional<QString> itemId{};
        std::optional<int> contentIndex{};
        friend bool operator==(const AudioDelta&, const AudioDelta&) = default;
    };
    // "response.output_audio_transcript.delta", "response.output_text.delta" and the older
    // "response.text.delta".
    struct TranscriptDelta {
        std::optional<QString> delta{};
        friend bool operator==(const TranscriptDelta&, const TranscriptDelta&) = default;
    };
    // "response.output_audio_transcript.done" ("transcript"), "response.output_text.done" and
    // the older "response.text.done" ("text").
    struct TranscriptDone {
        std::optional<QString> transcript{};
        friend bool operator==(const TranscriptDone&, const TranscriptDone&) = default;
    };
    // "conversation.item.input_audio_transcription.completed".
    struct UserTranscription {
        std::optional<QString> transcript{};
        friend bool operator==(const UserTranscription&, const UserTranscription&) = default;
    };
    // "response.function_call_arguments.done".
    struct FunctionCall {
        std::optional<QString> name{};
        std::optional<QString> callId{};
        std::optional<QString> arguments{};
        friend bool operator==(const FunctionCall&, const FunctionCall&) = default;
    };
    // "error": the error object's message, or "Realtime API error." without one.
    struct Error {
        QString message{};
        friend bool operator==(const Error&, const Error&) = default;
    };
    // Every other type, the ones the session knows and ignores included.
    struct Other {
        friend bool operator==(const Other&, const Other&) = default;
    };

    using Payload = std::variant<Other, SpeechStarted, ResponseCreated, SessionCreated,
                                 ResponseDone, AudioDelta, TranscriptDelta, TranscriptDone,
                                 UserTranscription, FunctionCall, Error>;

    QString type{};
    Payload payload{};

    // Absent unless `text` is a JSON object with a string "type". Texts longer than
    // maximumTextSize are refused unread.
    static std::optional<RealtimeServerEvent> parse(QStringView text);

    static constexpr qsizetype maximumTextSize = 32 * 1024 * 1024;

    friend bool operator==(const RealtimeServerEvent&, const RealtimeServerEvent&) = default;
};

} // namespace korvane
