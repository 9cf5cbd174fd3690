// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AudioConverter.h"

#include <QList>
#include <QMutex>

#include <atomic>

namespace korvane::test {

// Makes converters that hand back each buffer's bytes unchanged, so a test can follow each
// buffer through, and records the target format of each.
class FakeAudioConverterFactory final {
public:
    // The factory to hand to the code under test; it must not outlive this object.
    AudioConverterFactory factory();
    QList<AudioFormat> targets() const;

    // False makes the factory return null.
    std::atomic<bool> available = true;

private:
    mutable QMutex m_mutex;
    QList<AudioFormat> m_targets;
};

} // namespace korvane::test
