// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/audio/QtAudioPlaybackDevice.h"

#include "platform/linux/audio/AudioThread.h"
#include "platform/linux/audio/QtAudioFormats.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QLoggingCategory>
#include <QTimer>

#include <atomic>
#include <deque>
#include <mutex>

namespace korvane {

namespace {

Q_LOGGING_CATEGORY(lcAudioPlayback, "korvane.platform.audio.playback", QtInfoMsg)

using namespace std::chrono_literals;

constexpr auto feedInterval = 10ms;
// What the sink holds at most: room against a late feed; stopping the player drops it.
constexpr int sinkBufferMilliseconds = 250;
// Silence kept in the sink while nothing is scheduled: the most a new chunk waits behind.
constexpr int silenceMilliseconds = 30;

QString playbackErrorText(QAudio::Error error)
{
    switch (error) {
    case QAudio::NoError:
        break;
    case QAudio::OpenError:
        return QStringLiteral("The audio output could not be opened.");
    case QAudio::IOError:
        return QStringLiteral("The audio output stopped accepting audio.");
    case QAudio::UnderrunError:
        return QStringLiteral("The audio output ran out of audio.");
    case QAudio::FatalError:
        return QStringLiteral("The audio system failed while opening the audio output.");
    }
    return QStringLiteral("The audio output could not be started.");
}

bool isUsable(const AudioFormat& format)
{
    return format.sampleRate > 0 && format.sampleRate <= 768000 && format.channelCount > 0 &&
           format.channelCount <= 32;
}

qsizetype bytesFor(const AudioFormat& format, int milliseconds)
{
    return qsizetype(format.sampleRate) * milliseconds / 1000 * format.bytesPerFrame();
}

} // namespace

struct QtAudioPlaybackDevice::Private {
    QByteArray deviceId;
    AudioRoute route = AudioRoute::systemDefault;
    AudioThread thread{QStringLiteral("korvane-audio-playback")};

    std::atomic<bool> engineRunning{false};
    std::atomic<bool> echoCancelled{false};
    // Scheduled audio the sink holds and has not played yet, as of the last feed.
    std::atomic<qsizetype> audioInSink{0};
    std::atomic<bool> playing{false};
    // Set by stopPlayer: what the sink already holds is dropped at the next feed.
    std::atomic<bool> flushRequested{false};

    mutable std::mutex queueMutex;
    AudioFormat format{};
    std::deque<QByteArray> queue;
    // Bytes of queue.front() already written.
    qsizetype frontOffset = 0;
    qsizetype queued = 0;

    // Audio thread only.
    std::unique_ptr<QAudioSink> sink;
    QIODevice* stream = nullptr;
    AudioFormat sinkFormat{};
    std::unique_ptr<QTimer> timer;
    // Bytes written to the stream since it opened, and where in them the last scheduled
    // (non-silent) byte sits.
    qint64 streamed = 0;
    qint64 audioEnd = 0;

    Outcome open()
    {
        AudioFormat wanted;
        {
            std::lock_guard lock(queueMutex);
            wanted = format;
        }
        const QAudioDevice device = findAudioOutput(deviceId, route);
        if (device.isNull())
            return Outcome::failure(QStringLiteral("No audio output is available."));
        echoCancelled.store(isEchoCancelling(device));
        auto created = std::make_unique<QAudioSink>(device, toQAudioFormat(wanted));
        created->setBufferSize(bytesFor(wanted, sinkBufferMilliseconds));
        QIODevice* opened = created->start();
        if (!opened || created->error() != QAudio::NoError) {
            const QString reason = playbackErrorText(created->error());
            qCWarning(lcAudioPlayback) << "playback did not start:" << reason;
            return Outcome::failure(reason);
        }
        QObject::connect(created.get(), &QAudioSink::stateChanged, thread.context(),
                         [this](QAudio::State state) {
                             if (state == QAudio::StoppedState && sink &&
                                 sink->error() != QAudio::NoError) {
                                 qCWarning(lcAudioPlayback)
                                     << "playback stopped:" << playbackErrorText(sink->error());
                                 engineRunning.store(false);
                             }
                         });
        sink = std::move(created);
        stream = opened;
        restartCount();
        sinkFormat = wanted;
        flushRequested.store(false);
        timer = std::make_unique<QTimer>();
        timer->setTimerType(Qt::PreciseTimer);
        timer->setInterval(feedInterval);
        QObject::connect(timer.get(), &QTimer::timeout, thread.context(), [this] { feed(); });
        timer->start();
        engineRunning.store(true);
        feed();
        return Outcome::success();
    }

    void close()
    {
        timer.reset();
        if (sink) {
            sink->disconnect(thread.context());
            sink->reset();
            sink->stop();
        }
        stream = nullptr;
        sink.reset();
        restartCount();
    }

    void restartCount()
    {
        streamed = 0;
        audioEnd = 0;
        audioInSink.store(0);
    }

    // What of the scheduled audio written so far the sink has not played yet.
    void countAudioInSink()
    {
        const qint64 buffered = sink ? sink->bufferSize() - sink->bytesFree() : 0;
        const qint64 played = streamed - std::max<qint64>(buffered, 0);
        audioInSink.store(qsizetype(std::max<qint64>(audioEnd - played, 0)));
    }

    // Drops what the sink holds by opening a fresh stream.
    void flush()
    {
        if (!sink)
            return;
        sink->reset();
        sink->stop();
        restartCount();
        stream = sink->start();
        if (!stream || sink->error() != QAudio::NoError) {
            qCWarning(lcAudioPlayback)
                << "playback did not restart:" << playbackErrorText(sink->error());
            stream = nullptr;
            engineRunning.store(false);
        }
    }

    void feed()
    {
        if (flushRequested.exchange(false))
            flush();
        if (!sink || !stream)
            return;
        const int frameBytes = sinkFormat.bytesPerFrame();
        qsizetype room = sink->bytesFree();
        room -= room % frameBytes;
        qsizetype written = 0;
        if (playing.load()) {
            std::lock_guard lock(queueMutex);
            while (room > written && !queue.empty()) {
                const QByteArray& front = queue.front();
                const qsizetype want = std::min(front.size() - frontOffset, room - written);
                const qint64 took = stream->write(front.constData() + frontOffset, want);
                if (took <= 0)
                    break;
                written += took;
                streamed += took;
                frontOffset += took;
                queued -= took;
                if (frontOffset >= front.size()) {
                    queue.pop_front();
                    frontOffset = 0;
                }
            }
            if (written > 0) {
                // Counted before the lock goes, so the audio is never missing from both
                // the queue and the sink's count.
                audioEnd = streamed;
                countAudioInSink();
                return;
            }
        }
        const qsizetype buffered = sink->bufferSize() - sink->bytesFree();
        qsizetype silence = bytesFor(sinkFormat, silenceMilliseconds) - buffered;
        silence -= silence % frameBytes;
        if (silence > 0 && silence <= room)
            streamed += std::max<qint64>(stream->write(QByteArray(silence, '\0')), 0);
        countAudioInSink();
    }
};

QtAudioPlaybackDevice::QtAudioPlaybackDevice(QByteArray deviceId, AudioRoute route)
    : d(std::make_unique<Private>())
{
    d->deviceId = std::move(deviceId);
    d->route = route;
}

QtAudioPlaybackDevice::~QtAudioPlaybackDevice()
{
    d->engineRunning.store(false);
    d->thread.runAndWait([this] { d->close(); });
}

Outcome QtAudioPlaybackDevice::configure(AudioFormat format)
{
    if (!isUsable(format))
        return Outcome::failure(QStringLiteral("The playback format is not usable."));
    {
        std::lock_guard lock(d->queueMutex);
        if (d->format == format)
            return Outcome::success();
        d->format = format;
        // Audio scheduled in the old format would play as noise.
        d->queue.clear();
        d->frontOffset = 0;
        d->queued = 0;
    }
    if (!d->engineRunning.load())
        return Outcome::success();
    Outcome opened = Outcome::success();
    d->thread.runAndWait([this, &opened] {
        d->close();
        opened = d->open();
        if (!opened) {
            d->close();
            d->engineRunning.store(false);
        }
    });
    return opened;
}

Outcome QtAudioPlaybackDevice::startEngine()
{
    if (d->engineRunning.load())
        return Outcome::success();
    Outcome opened = Outcome::success();
    d->thread.runAndWait([this, &opened] {
        d->close();
        opened = d->open();
        if (!opened)
            d->close();
    });
    return opened;
}

void QtAudioPlaybackDevice::stopEngine()
{
    d->engineRunning.store(false);
    d->thread.post([this] { d->close(); });
}

bool QtAudioPlaybackDevice::isEngineRunning() const
{
    return d->engineRunning.load();
}

void QtAudioPlaybackDevice::startPlayer()
{
    d->playing.store(true);
}

void QtAudioPlaybackDevice::stopPlayer()
{
    d->playing.store(false);
    {
        std::lock_guard lock(d->queueMutex);
        d->queue.clear();
        d->frontOffset = 0;
        d->queued = 0;
    }
    // Nothing of it will be heard: the next feed drops what the sink holds.
    d->audioInSink.store(0);
    d->flushRequested.store(true);
}

bool QtAudioPlaybackDevice::isPlayerPlaying() const
{
    return d->playing.load();
}

void QtAudioPlaybackDevice::schedule(QByteArray pcm)
{
    std::lock_guard lock(d->queueMutex);
    // A partial frame would shift every later sample.
    const int frameBytes = d->format.bytesPerFrame();
    pcm.truncate(pcm.size() - pcm.size() % frameBytes);
    if (pcm.isEmpty())
        return;
    d->queued += pcm.size();
    d->queue.push_back(std::move(pcm));
}

std::chrono::milliseconds QtAudioPlaybackDevice::pendingDuration() const
{
    qsizetype bytes = d->audioInSink.load();
    AudioFormat format;
    {
        std::lock_guard lock(d->queueMutex);
        bytes += d->queued;
        format = d->format;
    }
    const qint64 bytesPerSecond = qint64(format.sampleRate) * format.bytesPerFrame();
    if (bytes <= 0 || bytesPerSecond <= 0)
        return std::chrono::milliseconds(0);
    // Rounded up: a last fraction of a millisecond still plays.
    return std::chrono::milliseconds((qint64(bytes) * 1000 + bytesPerSecond - 1) / bytesPerSecond);
}

bool QtAudioPlaybackDevice::isEchoCancelled() const
{
    if (d->engineRunning.load())
        return d->echoCancelled.load();
    return isEchoCancelling(findAudioOutput(d->deviceId, d->route));
}

qsizetype QtAudioPlaybackDevice::queuedBytes() const
{
    std::lock_guard lock(d->queueMutex);
    return d->queued;
}

} // namespace korvane
