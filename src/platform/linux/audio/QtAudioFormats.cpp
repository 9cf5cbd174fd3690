#include "platform/linux/audio/QtAudioFormats.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QMediaDevices>

#include <algorithm>

namespace korvane {

namespace {

QAudioDevice findIn(const QList<QAudioDevice>& devices, const QByteArray& id,
                    const QAudioDevice& fallback)
{
    if (id.isEmpty())
        return fallback;
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

QAudioDevice findAudioInput(const QByteArray& id)
{
    return findIn(QMediaDevices::audioInputs(), id, QMediaDevices::defaultAudioInput());
}

QAudioDevice findAudioOutput(const QByteArray& id)
{
    return findIn(QMediaDevices::audioOutputs(), id, QMediaDevices::defaultAudioOutput());
}

} // namespace korvane
