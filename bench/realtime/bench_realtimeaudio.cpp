// What the realtime session costs per unit of audio, against the audio's own duration:
//   parse + decode of one 100 ms answer chunk (24 kHz mono 16-bit, 4800 frames);
//   the append event of one 43 ms microphone chunk (1024 frames after conversion);
//   end to end: chunks pushed from a capture thread until a loopback server has them all.
//   bench_realtimeaudio [chunks]   (default 3000 chunks end to end)
#include "RealtimeTestSession.h"
#include "realtime/RealtimeClientEvents.h"
#include "realtime/RealtimeServerEvent.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

using namespace korvane;

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
    return sink > 0 ? 0 : 1;
}
