// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioSignals.h"
#include "RecordingToolActions.h"
#include "platform/linux/audio/QtAudioCaptureDevice.h"
#include "platform/linux/audio/QtAudioPlaybackDevice.h"
#include "platform/linux/audio/SoxrAudioConverter.h"
#include "realtime/OpenAIRealtimeVoiceService.h"
#include "realtime/RealtimeClientEvents.h"
#include "support/LoopbackWebSocketServer.h"
#include "support/desktop/TestDesktop.h"

#include <QFile>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <qcoro/qcorotask.h>

#include <cmath>

using namespace korvane;
using namespace korvane::test;

namespace {

const AudioFormat wire{};
// 100 ms windows of the streamed microphone audio.
const qsizetype window = wire.sampleRate / 10;

QString audioDelta(const QByteArray& pcm)
{
    return RealtimeClientEvents::text(
        QJsonObject{{u"type"_qs, u"response.output_audio.delta"_qs},
                    {u"item_id"_qs, u"item_1"_qs},
                    {u"content_index"_qs, 0},
                    {u"delta"_qs, QString::fromLatin1(pcm.toBase64())}});
}

// The microphone audio the server received, in order.
QByteArray streamedPcm(const LoopbackWebSocketServer& server)
{
    QByteArray pcm;
    const QList<WebSocketMessage> messages = server.messagesOfType(u"input_audio_buffer.append"_qs);
    for (const WebSocketMessage& message : messages)
        pcm += QByteArray::fromBase64(message.json()->value(u"audio").toString().toLatin1());
    return pcm;
}

// The loudest the answer's tone is in any 100 ms of `pcm` from `firstFrame` on.
double loudestTone(const QByteArray& pcm, qsizetype firstFrame, double frequency)
{
    double loudest = 0.0;
    const qsizetype bytes = window * wire.bytesPerFrame();
    for (qsizetype at = firstFrame * wire.bytesPerFrame(); at + bytes <= pcm.size(); at += bytes)
        loudest = std::max(loudest, toneAmplitude(firstChannel(wire, pcm.mid(at, bytes)),
                                                  wire.sampleRate, frequency));
    return loudest;
}

// Something voice-like: a tone whose loudness comes and goes like syllables (a steady tone
// reads as noise to a canceller's noise suppression).
QByteArray syllablesPcm(double frequency, int seconds)
{
    return generatePcm(wire, 0, seconds * wire.sampleRate, [frequency](qsizetype frame, int) {
        const double t = double(frame) / wire.sampleRate;
        const double syllables = 0.5 + 0.5 * std::sin(2 * M_PI * 3.0 * t);
        return 0.5 * syllables * std::sin(2 * M_PI * frequency * t);
    });
}

bool pactl(const TestDesktop& desktop, const QStringList& arguments, QString* error)
{
    QProcess process;
    process.setProcessEnvironment(desktop.environment());
    process.start(QStringLiteral("pactl"), arguments);
    if (process.waitForFinished(10000) && process.exitCode() == 0)
        return true;
    *error = QString::fromLocal8Bit(process.readAllStandardError());
    return false;
}

} // namespace

// The voice session on real audio devices: a private PulseAudio whose null sink is heard back
// by the default microphone, the worst a loudspeaker next to a microphone can do. An answer
// played there must never come back up as the person's speech.
class RealtimeVoiceOnPulseAudioTest final : public QObject {
    Q_OBJECT

    TestDesktop m_desktop;
    QTemporaryDir m_stateHome;
    // A null sink nobody plays into hands its monitor over in blocks of seconds; a stream of
    // silence keeps it ticking at a short latency.
    std::unique_ptr<QtAudioPlaybackDevice> m_keepAwake;

private Q_SLOTS:
    void initTestCase()
    {
        QString why;
        if (!m_desktop.startPulseAudio(&why))
            QSKIP(qPrintable(QStringLiteral("PulseAudio cannot start: ") + why));
        m_keepAwake = std::make_unique<QtAudioPlaybackDevice>();
        QVERIFY(m_keepAwake->startEngine());

        qputenv("KORVANE_ENV_FILES", "");
        qputenv("OPENAI_API_KEY", "loopback-dummy-key");
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_stateHome.path()));
    }

    void answerIsNeverHeardBack_data()
    {
        QTest::addColumn<bool>("echoCancelled");
        QTest::addColumn<int>("answerSeconds");
        // Without echo cancellation the microphone waits until the answer has played out.
        QTest::newRow("half duplex") << false << 1;
        // With it the microphone stays open (the person may talk over the answer), and the
        // answer is cancelled out of what it hears once the canceller has learnt the room.
        QTest::newRow("echo cancelled") << true << 4;
    }

    void answerIsNeverHeardBack()
    {
        QFETCH(bool, echoCancelled);
        QFETCH(int, answerSeconds);
        std::unique_ptr<QtAudioPlaybackDevice> person;
        if (echoCancelled) {
            // The canceller's speaker and microphone must run in different threads of the sound
            // server, as a real card's do: the speaker's sound reaches a second null sink, the
            // room, through a loopback, and the microphone hears the room.
            const QStringList commands{
                u"load-module module-null-sink sink_name=korvane_room"_qs,
                u"load-module module-loopback source=%1 sink=korvane_room latency_msec=60"_qs.arg(
                    m_desktop.nullSourceName()),
                u"load-module module-remap-source master=korvane_room.monitor "
                u"source_name=korvane_microphone"_qs,
                u"load-module module-echo-cancel aec_method=webrtc "
                u"source_master=korvane_microphone "
                u"sink_master=%1"_qs.arg(m_desktop.nullSinkName())};
            for (const QString& command : commands) {
                QString error;
                if (!pactl(m_desktop, command.split(u' '), &error))
                    QSKIP(qPrintable(QStringLiteral("PulseAudio has no echo cancellation: ") +
                                     error));
            }
            // Someone in the room, heard by the microphone directly.
            person = std::make_unique<QtAudioPlaybackDevice>(QByteArrayLiteral("korvane_room"));
            QVERIFY(person->configure(wire));
            QVERIFY(person->startEngine());
            person->startPlayer();
        }

        LoopbackWebSocketServer server;
        qputenv("OPENAI_BASE_URL", server.url().toEncoded());
        server.addTextOnConnect(u"{\"type\":\"session.created\"}"_qs);
        OpenAIRealtimeVoiceService service(
            std::make_shared<RecordingToolActions>(),
            AudioDevices{std::make_shared<QtAudioCaptureDevice>(
                             QByteArray(), AudioRoute::echoCancelledWhenOffered),
                         std::make_shared<QtAudioPlaybackDevice>(
                             QByteArray(), AudioRoute::echoCancelledWhenOffered),
                         createAudioConverter});
        QStringList errors;
        QObject::connect(&service, &RealtimeVoiceService::failed,
                         [&errors](const QString& message) { errors.append(message); });
        QCoro::waitFor(service.start(true));
        QVERIFY2(service.isActive(), qPrintable(errors.join(u'\n')));
        QCOMPARE(service.isBargeInActive(), echoCancelled);
        // The loopback into the room takes a moment to start carrying sound.
        QTest::qWait(echoCancelled ? 1500 : 200);

        // The answer in 100 ms chunks, then the end of the response.
        const qsizetype answerStart = streamedPcm(server).size() / wire.bytesPerFrame();
        const QByteArray answer = syllablesPcm(440.0, answerSeconds);
        const qsizetype chunk = window * wire.bytesPerFrame();
        for (qsizetype at = 0; at < answer.size(); at += chunk)
            server.sendText(audioDelta(answer.mid(at, chunk)));
        server.sendText(u"{\"type\":\"response.done\"}"_qs);
        QVERIFY(QTest::qWaitFor([&] { return service.isSpeaking(); }, 5000));
        QVERIFY(QTest::qWaitFor([&] { return !service.isSpeaking(); }, 15000));
        const qsizetype answerEnd = streamedPcm(server).size() / wire.bytesPerFrame();
        // The microphone listens again once the answer is over.
        QVERIFY(QTest::qWaitFor(
            [&] { return streamedPcm(server).size() / wire.bytesPerFrame() > answerEnd + window; },
            5000));

        const QByteArray heard = streamedPcm(server);
        if (!echoCancelled) {
            QCOMPARE(answerEnd, answerStart);
            const double loudest = loudestTone(heard, 0, 440.0);
            QVERIFY2(loudest < 0.01, qPrintable(QString::number(loudest)));
        } else {
            QVERIFY2(answerEnd - answerStart >= (answerSeconds - 1) * wire.sampleRate,
                     "the microphone was held back although echo is cancelled");
            // The canceller needs a moment to learn the room; after that the answer is gone.
            const double loudest = loudestTone(heard, answerStart + wire.sampleRate, 440.0);
            QVERIFY2(loudest < 0.005, qPrintable(QString::number(loudest)));
            // It cancels the answer, not the microphone: the person is heard (its noise suppression
            // and gain control take some of the level).
            person->schedule(syllablesPcm(1000.0, 2));
            double voice = 0.0;
            QVERIFY2(QTest::qWaitFor(
                         [&] {
                             voice = loudestTone(streamedPcm(server), answerEnd, 1000.0);
                             return voice > 0.02;
                         },
                         5000),
                     qPrintable(u"the person came through at "_qs + QString::number(voice)));
        }
        QVERIFY(errors.isEmpty());

        QCoro::waitFor(service.stop());
        QVERIFY(!service.isMicrophoneActive());
        QVERIFY(server.waitForOpenConnections(0));
    }
};

QTEST_GUILESS_MAIN(RealtimeVoiceOnPulseAudioTest)
#include "tst_realtimevoiceonpulseaudio.moc"
