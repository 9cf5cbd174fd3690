// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "speech/SpokenFeedback.h"

namespace korvane {

// Stands in until speech synthesis is built, and serves headless runs: says nothing and
// reports the speech as finished on the next turn of the event loop.
class SilentSpokenFeedback final : public SpokenFeedback {
public:
    void speak(QString text, std::function<void()> completion) override;
};

} // namespace korvane
