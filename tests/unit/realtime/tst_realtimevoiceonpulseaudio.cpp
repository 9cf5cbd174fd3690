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

using namespace korvane;
using namespace korvane::test;

namespace {

const AudioFormat wire{};

QString audioDelta(const QByteArray& pcm)
{
    return RealtimeClientEvents::text(
        QJsonObject{{u"type"_qs, u"response.output_audio.delta"_qs},
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

double toneInLast(const QByteArray& pcm, qsizetype frames, double frequency)
{
    const qsizetype bytes = frames * wire.bytesPerFrame();
    if (pcm.size() < bytes)
        return 0.0;
    return toneAmplitude(firstChannel(wire, pcm.right(bytes)), wire.sampleRate, frequency);
}

} // namespace

// The voice session on real audio devices: a private PulseAudio whose null sink's monitor is
// the default source, so the spoken answer the session plays comes back as its microphone.
class RealtimeVoiceOnPulseAudioTest final : public QObject {
    Q_OBJECT

    TestDesktop m_desktop;
    QTemporaryDir m_stateHome;
    // A null sink nobody plays into hands its monitor over in blocks of seconds; a stream of
    // silence keeps it ticking at a short latency.
    std::unique_ptr<QtAudioPlaybackDevice> m_keepAwake;

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void answerIsPlayedAndTheMicrophoneStreamsIt();
};

void RealtimeVoiceOnPulseAudioTest::initTestCase()
{
    QString why;
    if (!m_desktop.startPulseAudio(&why))
        QSKIP(qPrintable(QStringLiteral("PulseAudio cannot start: ") + why));
    // Qt lists no monitor sources as inputs: a remapped copy of the monitor is a plain source.
    const QString source = QStringLiteral("korvane_realtime_capture");
    const QList<QStringList> commands{{QStringLiteral("load-module"),
                                       QStringLiteral("module-remap-source"),
                                       QStringLiteral("master=") + m_desktop.nullSourceName(),
                                       QStringLiteral("source_name=") + source},
                                      {QStringLiteral("set-default-source"), source}};
    for (const QStringList& arguments : commands) {
        QProcess pactl;
        pactl.setProcessEnvironment(m_desktop.environment());
        pactl.start(QStringLiteral("pactl"), arguments);
        if (!pactl.waitForFinished(10000) || pactl.exitCode() != 0)
            QSKIP(qPrintable(QStringLiteral("pactl could not set up the capture source: ") +
                             QString::fromLocal8Bit(pactl.readAllStandardError())));
    }
    m_keepAwake = std::make_unique<QtAudioPlaybackDevice>();
    QCOMPARE(m_keepAwake->startEngine(), std::nullopt);

    qputenv("KORVANE_ENV_FILES", "");
    qputenv("OPENAI_API_KEY", "loopback-dummy-key");
    qputenv("XDG_STATE_HOME", QFile::encodeName(m_stateHome.path()));
}

void RealtimeVoiceOnPulseAudioTest::cleanupTestCase()
{
    m_keepAwake.reset();
    for (const char* name :
         {"OPENAI_API_KEY", "OPENAI_BASE_URL", "KORVANE_ENV_FILES", "XDG_STATE_HOME"})
        qunsetenv(name);
}

void RealtimeVoiceOnPulseAudioTest::answerIsPlayedAndTheMicrophoneStreamsIt()
{
    LoopbackWebSocketServer server;
    qputenv("OPENAI_BASE_URL", server.url().toEncoded());
    server.addTextOnConnect(QStringLiteral(R"({"type":"session.created"})"));

    RealtimeTimings timings;
    timings.speakingHold = std::chrono::milliseconds(20);
    OpenAIRealtimeVoiceService service(std::make_shared<RecordingToolActions>(),
                                       AudioDevices{std::make_shared<QtAudioCaptureDevice>(),
                                                    std::make_shared<QtAudioPlaybackDevice>(),
                                                    createAudioConverter},
                                       timings);
    QStringList errors;
    service.onError = [&errors](QString message) { errors.append(message); };
    QCoro::waitFor(service.start(true));
    QVERIFY2(service.isActive(), qPrintable(errors.join(u'\n')));
    QVERIFY(service.isMicrophoneActive());

    // Three seconds of a 1 kHz answer in 100 ms chunks, then the end of the response: the
    // microphone is let through again while the answer still plays.
    const int chunk = wire.sampleRate / 10;
    for (int first = 0; first < 3 * wire.sampleRate; first += chunk)
        server.sendText(audioDelta(sinePcm(wire, 1000.0, 0.5, first, chunk)));
    server.sendText(QStringLiteral(R"({"type":"response.done"})"));

    const qsizetype window = wire.sampleRate / 10;
    QVERIFY2(QTest::qWaitFor([&] { return toneInLast(streamedPcm(server), window, 1000.0) > 0.3; },
                             15000),
             "the played answer never came back up as microphone audio");
    // Streamed at the wire rate: the tone is where it was played, at about its level.
    const double level = toneInLast(streamedPcm(server), window, 1000.0);
    QVERIFY2(std::abs(level - 0.5) < 0.1, qPrintable(QString::number(level)));
    QVERIFY(toneInLast(streamedPcm(server), window, 1500.0) < 0.05);
    QVERIFY(errors.isEmpty());

    QCoro::waitFor(service.stop());
    QVERIFY(!service.isMicrophoneActive());
    QVERIFY(server.waitForOpenConnections(0));
}

QTEST_GUILESS_MAIN(RealtimeVoiceOnPulseAudioTest)
#include "tst_realtimevoiceonpulseaudio.moc"
