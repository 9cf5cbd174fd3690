// SPDX-License-Identifier: GPL-3.0-or-later
// What the realtime session costs per unit of audio, against the audio's own duration:
//   parse + decode of one 100 ms answer chunk (24 kHz mono 16-bit, 4800 frames);
//   the append event of one 43 ms microphone chunk (1024 frames after conversion);
//   end to end: chunks pushed from a capture thread until a loopback server has them all.
// And how long the person waits on Korvane itself (medians):
//   speech to answer: a microphone chunk leaves the capture thread, reaches a loopback server
//     that answers it at once with answer audio, and that audio is handed to the player;
//   barge-in: the server says speech started until the answer's playback is stopped;
//   dropped connection: the server stops answering until the session reports it (default
//     ping timings).
//   bench_realtimeaudio [chunks]   (default 3000 chunks end to end)
#include "RealtimeTestSession.h"
#include "realtime/RealtimeClientEvents.h"
#include "realtime/RealtimeServerEvent.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonObject>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

using namespace korvane;
using korvane::test::ScriptedReply;

namespace {

QByteArray pcm(int frames)
{
    QByteArray bytes(frames * 2, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 37) & 0xFF);
    return bytes;
}

template <typename Work>
double medianMicroseconds(int rounds, int perRound, Work work)
{
    std::vector<double> samples;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < perRound; ++i)
            work();
        samples.push_back(double(timer.nsecsElapsed()) / 1000.0 / perRound);
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

using Clock = std::chrono::steady_clock;

double medianOf(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0.0 : samples[samples.size() / 2];
}

double millisecondsSince(Clock::time_point start, Clock::time_point end)
{
    return std::chrono::duration<double, std::milli>(end - start).count();
}

// Waits, running the event loop, until `done` or 10 s have passed.
template <typename Done>
bool waitUntil(Done done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    return done();
}

// Runs the event loop for `milliseconds`.
void settle(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

QString answerAudio()
{
    return RealtimeClientEvents::text(
        QJsonObject{{u"type"_qs, u"response.output_audio.delta"_qs},
                    {u"item_id"_qs, u"item_1"_qs},
                    {u"content_index"_qs, 0},
                    {u"delta"_qs, QString::fromLatin1(pcm(480).toBase64())}});
}

// A session whose microphone stays open while answers play, as with echo cancellation.
void openDuplex(RealtimeTestSession& session)
{
    session.capture->setEchoCancelled(true);
    session.playback->setEchoCancelled(true);
    session.acceptSessions();
    session.start(true);
}

double speechToAnswerMs(int rounds)
{
    RealtimeTestSession session;
    session.server.addReply(u"input_audio_buffer.append"_qs,
                            ScriptedReply{.texts = {answerAudio()}});
    std::atomic<Clock::time_point> played{};
    std::atomic<int> schedules{0};
    session.playback->setObserver([&](const QString& call) {
        if (call.startsWith(u"schedule")) {
            played = Clock::now();
            ++schedules;
        }
    });
    openDuplex(session);
    const AudioBuffer buffer = session.capture->makeBuffer(2048, 'v');
    std::vector<double> samples;
    for (int round = 0; round < rounds; ++round) {
        const int before = schedules;
        const Clock::time_point spoken = Clock::now();
        std::thread([&] { session.capture->push(buffer); }).join();
        if (!waitUntil([&] { return schedules > before; }))
            break;
        samples.push_back(millisecondsSince(spoken, played));
    }
    session.stop();
    return medianOf(samples);
}

double bargeInStopMs(int rounds)
{
    RealtimeTestSession session;
    std::atomic<Clock::time_point> stopped{};
    std::atomic<int> stops{0};
    session.playback->setObserver([&](const QString& call) {
        if (call == u"stopPlayer") {
            stopped = Clock::now();
            ++stops;
        }
    });
    openDuplex(session);
    std::vector<double> samples;
    for (int round = 0; round < rounds; ++round) {
        session.sendEvent(u"response.created"_qs);
        session.server.sendText(answerAudio());
        if (!waitUntil([&] { return session.service->isSpeaking(); }))
            break;
        // Nobody interrupts within the first moment; the loopback server's socket delays a
        // small write while its previous one is unacknowledged (Nagle), which is not ours.
        settle(100);
        const int before = stops;
        const Clock::time_point spoke = Clock::now();
        session.sendEvent(u"input_audio_buffer.speech_started"_qs);
        if (!waitUntil([&] { return stops > before; }))
            break;
        samples.push_back(millisecondsSince(spoke, stopped));
        session.sendEvent(u"response.done"_qs);
    }
    session.stop();
    return medianOf(samples);
}

double droppedConnectionMs(int rounds)
{
    std::vector<double> samples;
    for (int round = 0; round < rounds; ++round) {
        // The product's own ping timings, not the tests' shortened ones.
        RealtimeTestSession session(RealtimeTimings{});
        session.acceptSessions();
        session.start(true);
        // A drop lands anywhere in the rhythm of pings.
        settle(1000 + 300 * round);
        const Clock::time_point dropped = Clock::now();
        session.server.freeze();
        if (!waitUntil([&] { return session.lastState() == u"idle"; }))
            continue;
        samples.push_back(millisecondsSince(dropped, Clock::now()));
    }
    return medianOf(samples);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int chunks = argc > 1 ? std::max(1, atoi(argv[1])) : 3000;

    const QString answerChunk = RealtimeClientEvents::text(
        QJsonObject{{u"type"_qs, u"response.output_audio.delta"_qs},
                    {u"delta"_qs, QString::fromLatin1(pcm(4800).toBase64())}});
    qsizetype sink = 0;
    const double parse = medianMicroseconds(21, 200, [&] {
        const std::optional<RealtimeServerEvent> event = RealtimeServerEvent::parse(answerChunk);
        const auto& delta = std::get<RealtimeServerEvent::AudioDelta>(event->payload);
        sink += QByteArray::fromBase64(delta.delta->toLatin1()).size();
    });
    std::printf("parse + decode, 100 ms answer chunk: %.1f us (%.3f%% of its duration)\n", parse,
                parse / 100000.0 * 100.0);

    const QByteArray microphoneChunk = pcm(1024);
    const double append = medianMicroseconds(21, 500, [&] {
        sink += RealtimeClientEvents::text(
                    RealtimeClientEvents::inputAudioBufferAppend(microphoneChunk))
                    .size();
    });
    std::printf("append event, 43 ms microphone chunk: %.1f us (%.3f%% of its duration)\n", append,
                append / 42667.0 * 100.0);

    RealtimeTestSession session;
    session.acceptSessions();
    session.start(true);
    const AudioBuffer buffer = session.capture->makeBuffer(1024, 'q');
    QElapsedTimer timer;
    timer.start();
    std::thread capture([&] {
        for (int i = 0; i < chunks; ++i)
            session.capture->push(buffer);
    });
    while (session.server.messagesOfType(u"input_audio_buffer.append"_qs).size() < chunks &&
           timer.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    capture.join();
    const double elapsedMs = double(timer.nsecsElapsed()) / 1e6;
    const qsizetype received =
        session.server.messagesOfType(u"input_audio_buffer.append"_qs).size();
    std::printf("end to end: %lld of %d chunks (%.1f s of audio) reached the server in %.1f ms, "
                "%.1f us per chunk\n",
                static_cast<long long>(received), chunks, chunks * 0.042667, elapsedMs,
                elapsedMs * 1000.0 / chunks);
    session.stop();

    std::printf("speech to answer, local overhead: %.2f ms median over 200 rounds\n",
                speechToAnswerMs(200));
    std::printf("barge-in, speech start to playback stopped: %.2f ms median over 100 rounds\n",
                bargeInStopMs(100));
    std::printf("dropped connection reported after: %.0f ms median over 3 drops\n",
                droppedConnectionMs(3));
    return sink > 0 ? 0 : 1;
}
