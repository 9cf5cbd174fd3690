// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

namespace korvane {

// Reads a short text aloud. Main thread only.
class SpokenFeedback {
public:
    virtual ~SpokenFeedback() = default;

    // Speaks `text` and calls `completion` (if any) once, on the main thread, when speaking
    // has ended. A newer request cuts an older one off.
    virtual void speak(QString text, std::function<void()> completion) = 0;
};

} // namespace korvane
