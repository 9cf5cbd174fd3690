#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// The client events the realtime session sends, as JSON objects.
namespace korvane::RealtimeClientEvents {

// The model's standing instructions; line 15's example file sits in `homePath`'s Downloads.
QString instructions(const QString& homePath);

// The one function tool, "computer_use".
QJsonObject computerUseToolDefinition();

// "session.update" with the instructions, the tool and, for a voice session, the input audio
// format, transcription and server-side turn detection.
QJsonObject sessionUpdate(bool isVoice, const QString& instructions);

QJsonObject inputAudioBufferClear();
// "input_audio_buffer.append" carrying `pcm` as base64.
QJsonObject inputAudioBufferAppend(const QByteArray& pcm);
// "conversation.item.create" with a function call's output.
QJsonObject functionCallOutput(const QString& callId, const QString& output);
QJsonObject responseCreate();

// Compact JSON text of `event`.
QString text(const QJsonObject& event);

} // namespace korvane::RealtimeClientEvents
