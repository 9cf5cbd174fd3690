// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AudioFormat.h"

#include <QByteArray>
#include <QList>

#include <functional>

namespace korvane::test {

// Generated signals and their measurement, shared by the audio tests and benchmarks.

// `frames` frames of `format`, sample value signal(frame index, channel) in [-1, 1] terms.
QByteArray generatePcm(const AudioFormat& format, qsizetype firstFrame, int frames,
                       const std::function<double(qsizetype frame, int channel)>& signal);

// A sine of `frequency` Hz and `amplitude` on every channel, starting at `firstFrame`.
QByteArray sinePcm(const AudioFormat& format, double frequency, double amplitude,
                   qsizetype firstFrame, int frames);

// Channel 0 of interleaved PCM as doubles in [-1, 1].
QList<double> firstChannel(const AudioFormat& format, const QByteArray& pcm);

// The amplitude of the component at `frequency` (Goertzel), for `samples` taken at `rate`.
double toneAmplitude(const QList<double>& samples, int rate, double frequency);

double rootMeanSquare(const QList<double>& samples);

} // namespace korvane::test
