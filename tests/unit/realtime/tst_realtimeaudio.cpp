// SPDX-License-Identifier: GPL-3.0-or-later
#include "RealtimeTestSession.h"

#include <QJsonObject>
#include <QTest>

#include <thread>

using namespace korvane;

namespace {

QJsonObject audioDelta(const QByteArray& pcm)
{
    return QJsonObject{{u"type"_qs, u"response.output_audio.delta"_qs},
                       {u"item_id"_qs, u"item_9"_qs},
                       {u"content_index"_qs, 0},
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
    const auto messages = session.server.messagesOfType(u"input_audio_buffer.append"_qs);
    for (const test::WebSocketMessage& message : messages)
        chunks.append(
            QByteArray::fromBase64(message.json()->value(u"audio").toString().toLatin1()));
    return chunks;
}

} // namespace

class RealtimeAudioTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void captureOrderIsKept()
    {
        RealtimeTestSession session;
        session.start(true);
        const AudioFormat wire{24000, 1, AudioFormat::SampleType::int16};
        QCOMPARE(session.converters.targets(), QList<AudioFormat>{wire});
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

    void playback_data()
    {
        QTest::addColumn<bool>("isVoice");
        QTest::addColumn<QByteArray>("pcm");
        QTest::addColumn<QList<QByteArray>>("scheduled");
        QTest::newRow("whole frames")
            << true << QByteArray("abcdef") << QList<QByteArray>{"abcdef"};
        QTest::newRow("odd length drops the last byte")
            << true << QByteArray("abcde") << QList<QByteArray>{"abcd"};
        QTest::newRow("text-only session ignores audio")
            << false << QByteArray("abcdef") << QList<QByteArray>{};
    }

    void playback()
    {
        QFETCH(bool, isVoice);
        QFETCH(QByteArray, pcm);
        QFETCH(QList<QByteArray>, scheduled);
        RealtimeTestSession session;
        session.start(isVoice);
        session.sendEvent(audioDelta(pcm));
        // Not base64: dropped whole.
        session.sendEvent(
            QJsonObject{{u"type"_qs, u"response.output_audio.delta"_qs}, {u"delta"_qs, u"%%%"_qs}});
        session.settle();
        QCOMPARE(session.playback->scheduled(), scheduled);
        QCOMPARE(session.service->isSpeaking(), isVoice);
        QCOMPARE(session.playback->calls().contains(u"configure 24000/1"_qs), isVoice);
    }
};

QTEST_GUILESS_MAIN(RealtimeAudioTest)
#include "tst_realtimeaudio.moc"
