// SPDX-License-Identifier: GPL-3.0-or-later
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

// Which device an empty id stands for: the desktop's default, or the echo-cancelling device the
// sound server offers (PulseAudio's or PipeWire's echo-cancel module), the default without one.
enum class AudioRoute { systemDefault, echoCancelledWhenOffered };

// Whether `device` is one end of the sound server's echo cancellation.
bool isEchoCancelling(const QAudioDevice& device);

// The input device with `id`, or the one `route` names when `id` is empty; null when there is
// none.
QAudioDevice findAudioInput(const QByteArray& id, AudioRoute route = AudioRoute::systemDefault);
// The output device with `id`, or the one `route` names when `id` is empty; null when there is
// none.
QAudioDevice findAudioOutput(const QByteArray& id, AudioRoute route = AudioRoute::systemDefault);

} // namespace korvane
