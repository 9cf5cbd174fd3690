// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/audio/AudioTapChunker.h"

#include <QTest>

using namespace korvane;

class TestAudioTapChunker : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cutsExactBuffers_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<bool>("floatSamples");
        QTest::addColumn<int>("frames");
        QTest::addColumn<QList<int>>("appends");

        QTest::newRow("aligned appends") << 2 << true << 4 << QList<int>{32, 32, 32};
        QTest::newRow("appends split inside frames")
            << 2 << true << 4 << QList<int>{3, 5, 7, 50, 1};
        QTest::newRow("one append, many buffers") << 1 << false << 2048 << QList<int>{4096 * 5 + 3};
        QTest::newRow("single bytes") << 1 << false << 3 << QList<int>(25, 1);
        QTest::newRow("1024-frame tap from odd reads")
            << 2 << false << 1024 << QList<int>{4095, 4097, 1, 8191};
        QTest::newRow("nothing until a buffer is full")
            << 2 << true << 2048 << QList<int>{100, 200};
    }

    void cutsExactBuffers()
    {
        QFETCH(int, channels);
        QFETCH(bool, floatSamples);
        QFETCH(int, frames);
        QFETCH(QList<int>, appends);

        const AudioFormat format{.sampleRate = 48000,
                                 .channelCount = channels,
                                 .sampleType = floatSamples ? AudioFormat::SampleType::float32
                                                            : AudioFormat::SampleType::int16};
        AudioTapChunker chunker(format, frames);
        QByteArray stream;
        QByteArray delivered;
        int buffers = 0;
        for (const int size : appends) {
            QByteArray piece(size, Qt::Uninitialized);
            for (qsizetype i = 0; i < size; ++i)
                piece[i] = char((stream.size() + i) * 7 % 251);
            stream += piece;
            chunker.append(piece.constData(), piece.size(), [&](const AudioBuffer& buffer) {
                QCOMPARE(buffer.format, format);
                QCOMPARE(buffer.frameCount(), frames);
                QCOMPARE(buffer.data.size(), qsizetype(frames) * format.bytesPerFrame());
                delivered += buffer.data;
                ++buffers;
            });
        }
        const qsizetype bufferBytes = qsizetype(frames) * format.bytesPerFrame();
        QCOMPARE(buffers, int(stream.size() / bufferBytes));
        QCOMPARE(delivered, stream.left(buffers * bufferBytes));
        QCOMPARE(chunker.pendingBytes(), stream.size() % bufferBytes);

        // After a reset the next buffer starts with the next byte appended.
        chunker.reset();
        QCOMPARE(chunker.pendingBytes(), 0);
        const QByteArray fresh(bufferBytes, 'x');
        QByteArray after;
        chunker.append(fresh.constData(), fresh.size(),
                       [&](const AudioBuffer& buffer) { after += buffer.data; });
        QCOMPARE(after, fresh);
    }
};

QTEST_GUILESS_MAIN(TestAudioTapChunker)
#include "tst_audiotapchunker.moc"
