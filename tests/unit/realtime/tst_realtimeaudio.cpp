// SPDX-License-Identifier: GPL-3.0-or-later
#include "RealtimeTestSession.h"

#include <QJsonObject>
#include <QTest>

#include <thread>

using namespace korvane;
using korvane::test::WebSocketMessage;

namespace {

QJsonObject audioDelta(const QByteArray& pcm)
{
    return QJsonObject{{u"type"_qs, u"response.output_audio.delta"_qs},
                       {u"delta"_qs, QString::fromLatin1(pcm.toBase64())}};
}

// Pushes each buffer into the tap from a thread of its own, as a device would.
int pushFromCaptureThread(test::FakeAudioCaptureDevice& capture, const QList<AudioBuffer>& buffers)
{
    int delivered = 0;
    std::thread thread([&] {
        for (const AudioBuffer& buffer : buffers)
            delivered += capture.push(buffer) ? 1 : 0;
    });
    thread.join();
    return delivered;
}

QList<QByteArray> appendedAudio(const RealtimeTestSession& session)
{
    QList<QByteArray> chunks;
    const QList<WebSocketMessage> messages =
        session.server.messagesOfType(u"input_audio_buffer.append"_qs);
    for (const WebSocketMessage& message : messages)
        chunks.append(
            QByteArray::fromBase64(message.json()->value(u"audio").toString().toLatin1()));
    return chunks;
}

} // namespace

class RealtimeAudioTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void captureOrderIsKept();
    void microphoneDuringAnAnswer_data();
    void microphoneDuringAnAnswer();
    void emptyConversionsAreDropped();
    void playback_data();
    void playback();
    void failedVoiceSwitchEndsTheSession();
    void voiceOffWithoutMicrophone();
    void microphoneStartedTwiceReplacesTheTap();
    void stopReleasesAudio();
    void startFailures_data();
    void startFailures();
};

void RealtimeAudioTest::captureOrderIsKept()
{
    RealtimeTestSession session;
    session.acceptSessions();
    session.start(true);
    QCOMPARE(session.converters.madeCount(), 1);
    QCOMPARE(session.converters.sources().constFirst(), session.capture->inputFormat());
    QCOMPARE(session.converters.targets().constFirst(),
             (AudioFormat{24000, 1, AudioFormat::SampleType::int16}));
    QCOMPARE(session.capture->tapBufferFrames(), 2048);

    QList<AudioBuffer> buffers;
    for (int i = 0; i < 300; ++i) {
        AudioBuffer buffer = session.capture->makeBuffer(64);
        const QByteArray index = QByteArray::number(i).rightJustified(8, '0');
        buffer.data.replace(0, index.size(), index);
        buffers.append(buffer);
    }
    QCOMPARE(pushFromCaptureThread(*session.capture, buffers), 300);
    QTRY_COMPARE(appendedAudio(session).size(), 300);
    const QList<QByteArray> chunks = appendedAudio(session);
    for (int i = 0; i < chunks.size(); ++i)
        QCOMPARE(chunks.at(i), buffers.at(i).data);
}

void RealtimeAudioTest::microphoneDuringAnAnswer_data()
{
    QTest::addColumn<bool>("captureCancelsEcho");
    QTest::addColumn<bool>("playbackCancelsEcho");
    QTest::addColumn<bool>("allowed");
    // Whether the person may talk over the answer: the microphone streams while it plays, and
    // speech stops it and tells the service how much was heard.
    QTest::addColumn<bool>("bargeIn");
    QTest::newRow("echo-cancelled microphone, plain speaker") << true << false << true << false;
    QTest::newRow("echo cancellation, interrupting allowed") << true << true << true << true;
    QTest::newRow("echo cancellation, interrupting turned off") << true << true << false << false;
}

void RealtimeAudioTest::microphoneDuringAnAnswer()
{
    QFETCH(bool, captureCancelsEcho);
    QFETCH(bool, playbackCancelsEcho);
    QFETCH(bool, allowed);
    QFETCH(bool, bargeIn);
    RealtimeTestSession session;
    session.capture->setEchoCancelled(captureCancelsEcho);
    session.playback->setEchoCancelled(playbackCancelsEcho);
    session.service->setBargeInPreference([allowed] { return allowed; });
    session.acceptSessions();
    session.start(true);
    QCOMPARE(session.service->isBargeInActive(), bargeIn);

    // 200 ms of answer, all of it still to be played when the response is done.
    QJsonObject delta = audioDelta(QByteArray(9600, '\1'));
    delta.insert(u"item_id"_qs, u"item_9"_qs);
    delta.insert(u"content_index"_qs, 0);
    session.sendEvent(delta);
    session.sendEvent(u"response.done"_qs);
    session.settle();
    QVERIFY(session.service->isSpeaking());
    QCOMPARE(session.lastState(), u"speaking"_qs);
    QCOMPARE(pushFromCaptureThread(*session.capture, {session.capture->makeBuffer(2048, 'a')}), 1);
    session.settle();
    // Held back before conversion, so it costs nothing.
    QCOMPARE(session.converters.convertCount(), bargeIn ? 1 : 0);
    // The server reads on its own thread: the chunk may arrive after the settling event.
    QTRY_COMPARE(appendedAudio(session).size(), bargeIn ? 1 : 0);

    // 50 ms played, then the person speaks.
    session.playback->playOut(std::chrono::milliseconds(50));
    session.sendEvent(u"input_audio_buffer.speech_started"_qs);
    session.sendEvent(delta);
    session.settle();
    QCOMPARE(session.service->isSpeaking(), !bargeIn);
    QTRY_COMPARE(session.server.messagesOfType(u"conversation.item.truncate"_qs).size(),
                 bargeIn ? 1 : 0);
    const QList<WebSocketMessage> truncations =
        session.server.messagesOfType(u"conversation.item.truncate"_qs);
    if (bargeIn) {
        QCOMPARE(*truncations.constFirst().json(),
                 (QJsonObject{{u"type"_qs, u"conversation.item.truncate"_qs},
                              {u"item_id"_qs, u"item_9"_qs},
                              {u"content_index"_qs, 0},
                              {u"audio_end_ms"_qs, 50}}));
        // Playback stopped at once, and the rest of that answer is never played.
        QCOMPARE(session.playback->scheduled(), QList<QByteArray>{});
        QCOMPARE(session.lastState(), u"recording"_qs);
        return;
    }
    QVERIFY(truncations.isEmpty());
    QCOMPARE(session.playback->scheduled().size(), 2);

    // The microphone opens once the answer has played out, not before.
    session.playback->playOut(std::chrono::milliseconds(340));
    QTest::qWait(50);
    QVERIFY(session.service->isSpeaking());
    session.playback->playOut();
    QTRY_VERIFY(!session.service->isSpeaking());
    QTRY_COMPARE(session.lastState(), u"recording"_qs);
    QCOMPARE(pushFromCaptureThread(*session.capture, {session.capture->makeBuffer(2048, 'b')}), 1);
    QTRY_COMPARE(appendedAudio(session).size(), 1);
    QCOMPARE(appendedAudio(session).constFirst(), QByteArray(4096, 'b'));
}

void RealtimeAudioTest::emptyConversionsAreDropped()
{
    RealtimeTestSession session;
    session.converters.setTransform([](const AudioBuffer& buffer) {
        return buffer.data.startsWith('x') ? QByteArray() : buffer.data;
    });
    session.acceptSessions();
    session.start(true);
    pushFromCaptureThread(*session.capture, {session.capture->makeBuffer(16, 'x'),
                                             session.capture->makeBuffer(16, 'y')});
    QTRY_COMPARE(appendedAudio(session).size(), 1);
    session.settle();
    QCOMPARE(appendedAudio(session), QList<QByteArray>{QByteArray(32, 'y')});
    QCOMPARE(session.converters.convertCount(), 2);
}

void RealtimeAudioTest::playback_data()
{
    QTest::addColumn<bool>("isVoice");
    QTest::addColumn<QByteArray>("pcm");
    QTest::addColumn<QList<QByteArray>>("scheduled");
    QTest::addColumn<bool>("speaking");
    QTest::newRow("whole frames") << true << QByteArray("abcdef") << QList<QByteArray>{"abcdef"}
                                  << true;
    QTest::newRow("odd length drops the last byte")
        << true << QByteArray("abcde") << QList<QByteArray>{"abcd"} << true;
    QTest::newRow("text-only session ignores audio")
        << false << QByteArray("abcdef") << QList<QByteArray>{} << false;
}

void RealtimeAudioTest::playback()
{
    QFETCH(bool, isVoice);
    QFETCH(QByteArray, pcm);
    QFETCH(QList<QByteArray>, scheduled);
    QFETCH(bool, speaking);
    RealtimeTestSession session;
    session.acceptSessions();
    session.start(isVoice);
    session.sendEvent(audioDelta(pcm));
    // Not base64: dropped whole.
    session.sendEvent(
        QJsonObject{{u"type"_qs, u"response.output_audio.delta"_qs}, {u"delta"_qs, u"%%%"_qs}});
    session.settle();
    QCOMPARE(session.playback->allScheduled(), scheduled);
    QCOMPARE(session.states().contains(u"speaking"_qs), speaking);
    QCOMPARE(session.service->isSpeaking(), speaking);
    if (isVoice)
        QCOMPARE(session.playback->format(),
                 (AudioFormat{24000, 1, AudioFormat::SampleType::int16}));
}

void RealtimeAudioTest::failedVoiceSwitchEndsTheSession()
{
    RealtimeTestSession session;
    session.acceptSessions();
    session.start(false);
    session.playback->setConfigureError(u"No output device."_qs);
    session.setVoiceMode(true);
    QTRY_COMPARE(session.states(), (QStringList{u"connecting"_qs, u"failed"_qs, u"idle"_qs}));
    QCOMPARE(session.log().at(1), u"error No output device."_qs);
    QVERIFY(!session.service->isActive());
    QVERIFY(!session.service->isMicrophoneActive());
    QCOMPARE(session.playback->callCount(u"startEngine"_qs), 0);
    QTRY_COMPARE(session.server.openConnectionCount(), 0);
}

void RealtimeAudioTest::voiceOffWithoutMicrophone()
{
    RealtimeTestSession session;
    session.acceptSessions();
    session.start(false);
    session.setVoiceMode(false);
    QTRY_COMPARE(session.states(), (QStringList{u"connecting"_qs, u"idle"_qs}));
    // The server reads on its own thread: the update may arrive after the state.
    QTRY_COMPARE(session.server.messagesOfType(u"session.update"_qs).size(), 2);
    const QList<WebSocketMessage> updates = session.server.messagesOfType(u"session.update"_qs);
    QVERIFY(!updates.constLast().json()->value(u"session").toObject().contains(u"audio"));
    QVERIFY(session.capture->calls().isEmpty());
    QVERIFY(session.playback->calls().isEmpty());
    QVERIFY(session.service->isActive());
}

void RealtimeAudioTest::microphoneStartedTwiceReplacesTheTap()
{
    RealtimeTestSession session;
    session.acceptSessions();
    session.start(true);
    session.setVoiceMode(true);
    QTRY_COMPARE(session.states(),
                 (QStringList{u"connecting"_qs, u"recording"_qs, u"recording"_qs}));
    const QStringList once{u"requestAccess"_qs, u"removeTap"_qs, u"installTap 2048"_qs,
                           u"start"_qs};
    QCOMPARE(session.capture->calls(), once + once);
    QCOMPARE(session.converters.madeCount(), 2);
    QVERIFY(session.capture->hasTap());
    pushFromCaptureThread(*session.capture, {session.capture->makeBuffer(8, 'z')});
    QTRY_COMPARE(appendedAudio(session).size(), 1);
    session.settle();
    QCOMPARE(appendedAudio(session).size(), 1);
    QCOMPARE(session.converters.convertCount(), 1);
}

void RealtimeAudioTest::stopReleasesAudio()
{
    RealtimeTestSession session;
    session.acceptSessions();
    session.start(true);
    session.stop();
    QCOMPARE(session.capture->calls().mid(4), (QStringList{u"removeTap"_qs, u"stop"_qs}));
    QCOMPARE(session.playback->calls().mid(session.playback->calls().size() - 2),
             (QStringList{u"stopPlayer"_qs, u"stopEngine"_qs}));
    QVERIFY(!session.service->isMicrophoneActive());
    QCOMPARE(pushFromCaptureThread(*session.capture, {session.capture->makeBuffer(8)}), 0);
    QTRY_COMPARE(session.server.openConnectionCount(), 0);
    QVERIFY(appendedAudio(session).isEmpty());
    QTRY_COMPARE(session.lastState(), u"idle"_qs);
}

void RealtimeAudioTest::startFailures_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("connections");
    QTest::newRow("microphone denied")
        << u"denied"_qs
        << u"Microphone access was denied. Enable it in System Settings to test Realtime voice."_qs
        << 0;
    QTest::newRow("playback engine") << u"engine"_qs << u"No speaker."_qs << 0;
    QTest::newRow("no converter") << u"converter"_qs
                                  << u"Could not prepare microphone audio conversion."_qs << 1;
    QTest::newRow("capture start") << u"capture"_qs << u"Device busy."_qs << 1;
}

void RealtimeAudioTest::startFailures()
{
    QFETCH(QString, failure);
    QFETCH(QString, message);
    QFETCH(int, connections);
    RealtimeTestSession session;
    session.acceptSessions();
    if (failure == u"denied")
        session.capture->setAccessGranted(false);
    else if (failure == u"engine")
        session.playback->setStartEngineError(u"No speaker."_qs);
    else if (failure == u"converter")
        session.converters.setAvailable(false);
    else
        session.capture->setStartError(u"Device busy."_qs);
    session.start(true);
    QTRY_COMPARE(session.states(), (QStringList{u"connecting"_qs, u"failed"_qs, u"idle"_qs}));
    QCOMPARE(session.log().at(1), u"error "_qs + message);
    QCOMPARE(session.server.connectionCount(), connections);
    QVERIFY(!session.service->isActive());
    QTRY_COMPARE(session.server.openConnectionCount(), 0);
}

QTEST_GUILESS_MAIN(RealtimeAudioTest)
#include "tst_realtimeaudio.moc"
