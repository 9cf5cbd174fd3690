// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "speech/WakeWordListener.h"

namespace korvane {

// Stands in until the wake phrase recognizer is built, and serves headless runs: it never
// starts listening and never reports anything.
class UnavailableWakeWordListener final : public WakeWordListener {
public:
    void start() override;
    void stop() override;
};

} // namespace korvane
