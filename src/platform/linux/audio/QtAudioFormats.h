#pragma once

#include "platform/AudioFormat.h"

#include <QByteArray>
#include <QString>

#include <optional>

class QAudioDevice;
class QAudioFormat;

namespace korvane {

QAudioFormat toQAudioFormat(const AudioFormat& format);

// The format a capture from `device` delivers: the device's preferred rate and channels, as
// Float when the device prefers Float, else Int16.
AudioFormat preferredCaptureFormat(const QAudioDevice& device);

// The input device with `id`, or the default input when `id` is empty; null when there is none.
QAudioDevice findAudioInput(const QByteArray& id);
// The output device with `id`, or the default output when `id` is empty; null when there is
// none.
QAudioDevice findAudioOutput(const QByteArray& id);

} // namespace korvane
