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

// A manual clock for the feedback suppression window.
struct ManualClock {
    std::chrono::steady_clock::time_point now{std::chrono::seconds(1000)};
};

// Waits short enough for tests; the clock is `clock` when given.
korvane::RealtimeTimings shortRealtimeTimings(ManualClock* clock = nullptr);

// One service against a loopback realtime server, with fake audio and tool actions, a private
// debug log, and every callback recorded as text ("state idle", "error …", "transcript …",
// "start open_app", "result …", "wake", "done").
class RealtimeTestSession final {
public:
    static inline const QByteArray apiKey = QByteArrayLiteral("sk-loopback-4f1b9c-secret");

    explicit RealtimeTestSession(korvane::RealtimeTimings timings = shortRealtimeTimings());
    ~RealtimeTestSession();
    RealtimeTestSession(const RealtimeTestSession&) = delete;
    RealtimeTestSession& operator=(const RealtimeTestSession&) = delete;

    // Answers every connection with "session.created".
    void acceptSessions();
    // Starts and waits for it to return.
    void start(bool isVoice = true);
    void stop();
    void setVoiceMode(bool enabled);
    // Sends an event to the client.
    void sendEvent(const QJsonObject& event);
    void sendEvent(const QString& type);
    // Sends a transcript delta and waits until the service has handled it, so everything sent
    // before it has been handled too.
    void settle();

    QStringList log() const { return m_log; }
    QStringList states() const;
    // Empty before the first announcement.
    QString lastState() const;
    // Types of the client's messages, in order.
    QStringList sentTypes() const;
    QString debugLog() const;

    korvane::test::LoopbackWebSocketServer server;
    std::shared_ptr<korvane::test::FakeAudioCaptureDevice> capture;
    std::shared_ptr<korvane::test::FakeAudioPlaybackDevice> playback;
    korvane::test::FakeAudioConverterFactory converters;
    std::shared_ptr<RecordingToolActions> tools;
    std::unique_ptr<korvane::OpenAIRealtimeVoiceService> service;

private:
    QTemporaryDir m_stateHome;
    QObject m_receiver;
    QStringList m_log;
    int m_settles = 0;
};

// The function-call event the server sends for a tool call.
QJsonObject functionCallEvent(const QString& name, const QString& callId,
                              const std::optional<QString>& arguments);
