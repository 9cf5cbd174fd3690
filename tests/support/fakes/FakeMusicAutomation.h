// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/MusicAutomation.h"

#include <QStringList>

namespace korvane::test {

// Answers "<operation>." and records the call.
class FakeMusicAutomation final : public MusicAutomation {
public:
    QStringList calls{};

    QCoro::Task<ComputerUseResult> openMusic() override;
    QCoro::Task<ComputerUseResult> stopMusic() override;
    QCoro::Task<ComputerUseResult> resumeMusic() override;
    QCoro::Task<ComputerUseResult> playMusic(QString query, MusicScope scope) override;
};

} // namespace korvane::test
