// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AudioConverter.h"

#include <QList>
#include <QMutex>

#include <functional>
#include <memory>

namespace korvane::test {

// Makes fake converters and counts what they do. The factory and every converter it made share
// one state, so a test keeps counting after the code under test took the converter. By default
// a converter hands back the buffer's bytes unchanged, so a test can follow each buffer through.
// Thread-safe: converters run on a capture thread.
class FakeAudioConverterFactory final {
public:
    using Transform = std::function<QByteArray(const AudioBuffer&)>;

    FakeAudioConverterFactory();

    // The factory to hand to the code under test.
    AudioConverterFactory factory() const;

    // Whether a converter can be made (true by default); false makes the factory return null.
    void setAvailable(bool available);
    // What each conversion returns; empty bytes mean nothing came out.
    void setTransform(Transform transform);

    // Converters made so far and the formats asked for.
    int madeCount() const;
    QList<AudioFormat> sources() const;
    QList<AudioFormat> targets() const;
    // Calls of convert() over all converters.
    int convertCount() const;

    // Shared by the factory and its converters.
    struct State;

private:
    std::shared_ptr<State> m_state;
};

} // namespace korvane::test
