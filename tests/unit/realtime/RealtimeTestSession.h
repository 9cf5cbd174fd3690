// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RecordingToolActions.h"
#include "fakes/FakeAudioCaptureDevice.h"
#include "fakes/FakeAudioConverter.h"
#include "fakes/FakeAudioPlaybackDevice.h"
#include "realtime/OpenAIRealtimeVoiceService.h"
#include "support/LoopbackWebSocketServer.h"

#include <QJsonObject>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <memory>

// Waits short enough for tests; the clock reads `now` when given.
korvane::RealtimeTimings shortRealtimeTimings(std::chrono::steady_clock::time_point* now = nullptr);

// One service against a loopback realtime server, with fake audio and tool actions, a private
// debug log, and every signal recorded as text ("state idle", "error …", "transcript …",
// "start open_app", "result …", "wake", "done").
class RealtimeTestSession final {
public:
    static inline const QByteArray apiKey = QByteArrayLiteral("sk-loopback-4f1b9c-secret");

    explicit RealtimeTestSession(korvane::RealtimeTimings timings = shortRealtimeTimings());
    ~RealtimeTestSession();
    Q_DISABLE_COPY_MOVE(RealtimeTestSession)

    // Answers every connection with "session.created", as it does from the start.
    void acceptSessions();
    // Each waits for the service to return.
    void start(bool isVoice = true);
    void stop();
    void setVoiceMode(bool enabled);
    void sendEvent(const QJsonObject& event);
    void sendEvent(const QString& type);
    // Sends a transcript delta and waits until the service has handled it, so everything sent
    // before it has been handled too.
    void settle();

    QStringList log() const { return m_log; }
    // The states announced so far, separated by spaces.
    QString states() const;
    // Empty before the first announcement.
    QString lastState() const;
    QStringList errors() const;
    // What the client sent, one short phrase each, separated by commas: "configure vad|held|text"
    // for a full session update, "turns vad|held" for one that only switches turn detection,
    // "truncate MS", "output CALL_ID TEXT" for a tool's output, "append ×N" for a run of
    // appends, the event type without its
    // "input_audio_buffer." prefix otherwise.
    QString conversation() const;
    QString debugLog() const;

    korvane::test::LoopbackWebSocketServer server;
    std::shared_ptr<korvane::test::FakeAudioCaptureDevice> capture;
    std::shared_ptr<korvane::test::FakeAudioPlaybackDevice> playback;
    korvane::test::FakeAudioConverterFactory converters;
    std::shared_ptr<RecordingToolActions> tools;
    std::unique_ptr<korvane::OpenAIRealtimeVoiceService> service;

private:
    QStringList linesAfter(QStringView prefix) const;

    QTemporaryDir m_stateHome;
    QObject m_receiver;
    QStringList m_log;
    int m_settles = 0;
};

// The event the server sends for a call of a tool, computer_use unless named.
QJsonObject functionCallEvent(const QString& callId, const std::optional<QString>& arguments,
                              const QString& name = QStringLiteral("computer_use"));
