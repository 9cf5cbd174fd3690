// SPDX-License-Identifier: GPL-3.0-or-later
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

// Who ends the person's turn: the server when it hears the speech stop, or the person by
// letting go of the talk key.
enum class TurnTaking { serverDetected, heldKey };

// "session.update" with the instructions, the tool, the output modality and, for a voice
// session, the input audio format, transcription and turn detection (none for a held key).
QJsonObject sessionUpdate(bool isVoice, const QString& instructions,
                          TurnTaking turns = TurnTaking::serverDetected);
// "session.update" that only switches the server's turn detection on or off.
QJsonObject turnTakingUpdate(TurnTaking turns);

QJsonObject inputAudioBufferClear();
QJsonObject inputAudioBufferCommit();
// "input_audio_buffer.append" carrying `pcm` as base64.
QJsonObject inputAudioBufferAppend(const QByteArray& pcm);
// "conversation.item.create" with a function call's output.
QJsonObject functionCallOutput(const QString& callId, const QString& output);
// "conversation.item.truncate": the person heard `audioEndMs` of the answer item's audio.
QJsonObject conversationItemTruncate(const QString& itemId, int contentIndex, qint64 audioEndMs);
QJsonObject responseCreate();

// Compact JSON text of `event`.
QString text(const QJsonObject& event);

} // namespace korvane::RealtimeClientEvents
