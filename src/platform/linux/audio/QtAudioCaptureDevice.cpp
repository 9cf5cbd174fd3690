// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/audio/QtAudioCaptureDevice.h"

#include "platform/linux/audio/AudioTapChunker.h"
#include "platform/linux/audio/AudioThread.h"
#include "platform/linux/audio/QtAudioFormats.h"

#include <QAudioDevice>
#include <QAudioSource>
#include <QLoggingCategory>
#include <QMediaDevices>

#include <atomic>
#include <mutex>

namespace korvane {

namespace {

Q_LOGGING_CATEGORY(lcAudioCapture, "korvane.platform.audio.capture", QtInfoMsg)

// What the source buffers before it hands audio over.
constexpr int captureBufferMilliseconds = 40;

QString captureErrorText(QAudio::Error error)
{
    switch (error) {
    case QAudio::NoError:
        break;
    case QAudio::OpenError:
        return QStringLiteral("The microphone could not be opened.");
    case QAudio::IOError:
        return QStringLiteral("The microphone stopped delivering audio.");
    case QAudio::UnderrunError:
        return QStringLiteral("The microphone's audio could not be read in time.");
    case QAudio::FatalError:
        return QStringLiteral("The audio system failed while opening the microphone.");
    }
    return QStringLiteral("The microphone could not be started.");
}

} // namespace

struct QtAudioCaptureDevice::Private {
    QByteArray deviceId;
    AudioRoute route = AudioRoute::systemDefault;
    AudioThread thread{QStringLiteral("korvane-audio-capture")};

    // Read on the audio thread before each handler call.
    std::atomic<bool> running{false};
    // Whether the running capture comes through echo cancellation.
    std::atomic<bool> echoCancelled{false};

    // Guards the tap; held for the whole of each handler call, so stop() can wait one out.
    // Recursive: a handler may remove or replace its own tap.
    mutable std::recursive_mutex tapMutex;
    std::shared_ptr<TapHandler> handler;
    int tapFrames = 0;
    std::unique_ptr<AudioTapChunker> chunker;
    AudioFormat runningFormat{};

    // Audio thread only.
    std::unique_ptr<QAudioSource> source;
    QIODevice* stream = nullptr;

    void deliver(const QByteArray& bytes)
    {
        std::lock_guard lock(tapMutex);
        if (!running.load(std::memory_order_acquire) || !handler || !chunker)
            return;
        // A handler that replaces the tap must not destroy the function that is running.
        const std::shared_ptr<TapHandler> current = handler;
        chunker->append(bytes.constData(), bytes.size(), [this, &current](const AudioBuffer& b) {
            if (running.load(std::memory_order_acquire) && current == handler)
                (*current)(b);
        });
    }

    void read()
    {
        if (!stream)
            return;
        const QByteArray bytes = stream->readAll();
        if (!bytes.isEmpty())
            deliver(bytes);
    }

    Outcome open()
    {
        const QAudioDevice device = findAudioInput(deviceId, route);
        if (device.isNull())
            return Outcome::failure(QStringLiteral("No microphone is available."));
        const AudioFormat format = preferredCaptureFormat(device);
        auto created = std::make_unique<QAudioSource>(device, toQAudioFormat(format));
        // Without a size the server picks its own fragment, up to seconds of delay.
        created->setBufferSize(qsizetype(format.sampleRate) * captureBufferMilliseconds / 1000 *
                               format.bytesPerFrame());
        QObject::connect(created.get(), &QAudioSource::stateChanged, thread.context(),
                         [this](QAudio::State state) {
                             if (state != QAudio::StoppedState || !source ||
                                 source->error() == QAudio::NoError)
                                 return;
                             qCWarning(lcAudioCapture)
                                 << "capture stopped:" << captureErrorText(source->error());
                             running.store(false, std::memory_order_release);
                         });
        QIODevice* opened = created->start();
        if (!opened || created->error() != QAudio::NoError) {
            const QString reason = captureErrorText(created->error());
            qCWarning(lcAudioCapture) << "capture did not start:" << reason;
            return Outcome::failure(reason);
        }
        QObject::connect(opened, &QIODevice::readyRead, thread.context(), [this] { read(); });
        {
            std::lock_guard lock(tapMutex);
            runningFormat = format;
            chunker = std::make_unique<AudioTapChunker>(format, tapFrames);
        }
        source = std::move(created);
        stream = opened;
        echoCancelled.store(isEchoCancelling(device));
        running.store(true, std::memory_order_release);
        qCDebug(lcAudioCapture) << "capturing" << device.description() << format.sampleRate << "Hz,"
                                << format.channelCount << "channels";
        return Outcome::success();
    }

    void close()
    {
        if (source) {
            source->disconnect(thread.context());
            if (stream)
                stream->disconnect(thread.context());
            source->stop();
        }
        stream = nullptr;
        source.reset();
    }
};

QtAudioCaptureDevice::QtAudioCaptureDevice(QByteArray deviceId, AudioRoute route)
    : d(std::make_unique<Private>())
{
    d->deviceId = std::move(deviceId);
    d->route = route;
}

QtAudioCaptureDevice::~QtAudioCaptureDevice()
{
    stop();
    d->thread.runAndWait([this] { d->close(); });
}

QCoro::Task<bool> QtAudioCaptureDevice::requestAccess()
{
    co_return !findAudioInput(d->deviceId, d->route).isNull();
}

AudioFormat QtAudioCaptureDevice::inputFormat() const
{
    if (d->running.load(std::memory_order_acquire)) {
        std::lock_guard lock(d->tapMutex);
        return d->runningFormat;
    }
    return preferredCaptureFormat(findAudioInput(d->deviceId, d->route));
}

void QtAudioCaptureDevice::installTap(int bufferFrames, TapHandler handler)
{
    std::lock_guard lock(d->tapMutex);
    d->tapFrames = std::max(bufferFrames, 1);
    d->handler = handler ? std::make_shared<TapHandler>(std::move(handler)) : nullptr;
    if (d->chunker)
        d->chunker = std::make_unique<AudioTapChunker>(d->runningFormat, d->tapFrames);
}

void QtAudioCaptureDevice::removeTap()
{
    std::lock_guard lock(d->tapMutex);
    d->handler.reset();
    if (d->chunker)
        d->chunker->reset();
}

Outcome QtAudioCaptureDevice::start()
{
    if (d->running.load(std::memory_order_acquire))
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

void QtAudioCaptureDevice::stop()
{
    d->running.store(false, std::memory_order_release);
    {
        // Waits for a handler call in progress; later ones see the flag and return.
        std::lock_guard lock(d->tapMutex);
        if (d->chunker)
            d->chunker->reset();
    }
    d->thread.post([this] { d->close(); });
}

bool QtAudioCaptureDevice::isRunning() const
{
    return d->running.load(std::memory_order_acquire);
}

bool QtAudioCaptureDevice::isEchoCancelled() const
{
    if (d->running.load(std::memory_order_acquire))
        return d->echoCancelled.load();
    return isEchoCancelling(findAudioInput(d->deviceId, d->route));
}

} // namespace korvane
