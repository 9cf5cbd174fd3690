// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/MusicAutomation.h"

namespace korvane {

// Until a music backend exists: the player is not installed.
class UnavailableMusicAutomation final : public MusicAutomation {
public:
    QCoro::Task<ComputerUseResult> openMusic() override;
    QCoro::Task<ComputerUseResult> stopMusic() override;
    QCoro::Task<ComputerUseResult> resumeMusic() override;
    QCoro::Task<ComputerUseResult> playMusic(QString query, MusicScope scope) override;
};

} // namespace korvane
