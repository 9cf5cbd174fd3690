// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/audio/QtAudioFormats.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QMediaDevices>

#include <algorithm>

namespace korvane {

namespace {

QAudioDevice findIn(const QList<QAudioDevice>& devices, const QByteArray& id,
                    const QAudioDevice& fallback, AudioRoute route)
{
    if (id.isEmpty()) {
        if (route == AudioRoute::systemDefault || isEchoCancelling(fallback))
            return fallback;
        const auto cancelling = std::find_if(devices.cbegin(), devices.cend(), isEchoCancelling);
        return cancelling == devices.cend() ? fallback : *cancelling;
    }
    const auto found =
        std::find_if(devices.cbegin(), devices.cend(),
                     [&id](const QAudioDevice& device) { return device.id() == id; });
    return found == devices.cend() ? QAudioDevice() : *found;
}

} // namespace

QAudioFormat toQAudioFormat(const AudioFormat& format)
{
    QAudioFormat result;
    result.setSampleRate(format.sampleRate);
    result.setChannelCount(format.channelCount);
    result.setSampleFormat(format.sampleType == AudioFormat::SampleType::int16
                               ? QAudioFormat::Int16
                               : QAudioFormat::Float);
    return result;
}

AudioFormat preferredCaptureFormat(const QAudioDevice& device)
{
    const QAudioFormat preferred = device.preferredFormat();
    AudioFormat format;
    format.sampleRate = preferred.sampleRate() > 0 ? preferred.sampleRate() : 48000;
    format.channelCount = std::clamp(preferred.channelCount(), 1, 8);
    const bool floatOnly = !device.isNull() &&
                           !device.supportedSampleFormats().contains(QAudioFormat::Int16) &&
                           device.supportedSampleFormats().contains(QAudioFormat::Float);
    format.sampleType = preferred.sampleFormat() == QAudioFormat::Float || floatOnly
                            ? AudioFormat::SampleType::float32
                            : AudioFormat::SampleType::int16;
    return format;
}

bool isEchoCancelling(const QAudioDevice& device)
{
    // PulseAudio names the pair "<master>.echo-cancel" and describes it as "… (echo cancelled
    // with …)"; PipeWire's module calls them "echo-cancel-source" and "echo-cancel-sink".
    const QString id = QString::fromUtf8(device.id());
    const QString description = device.description();
    for (const QString& text : {id, description}) {
        if (text.contains(u"echo-cancel", Qt::CaseInsensitive) ||
            text.contains(u"echo_cancel", Qt::CaseInsensitive) ||
            text.contains(u"echo cancel", Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QAudioDevice findAudioInput(const QByteArray& id, AudioRoute route)
{
    return findIn(QMediaDevices::audioInputs(), id, QMediaDevices::defaultAudioInput(), route);
}

QAudioDevice findAudioOutput(const QByteArray& id, AudioRoute route)
{
    return findIn(QMediaDevices::audioOutputs(), id, QMediaDevices::defaultAudioOutput(), route);
}

} // namespace korvane
