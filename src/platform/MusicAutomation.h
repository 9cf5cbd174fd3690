// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "computeruse/command/ComputerUseCommand.h"
#include "core/ComputerUseResult.h"

#include <QString>
#include <qcoro/qcorotask.h>

namespace korvane {

// The music player: each operation answers with its summary sentence.
class MusicAutomation {
public:
    virtual ~MusicAutomation() = default;

    virtual QCoro::Task<ComputerUseResult> openMusic() = 0;
    virtual QCoro::Task<ComputerUseResult> stopMusic() = 0;
    virtual QCoro::Task<ComputerUseResult> resumeMusic() = 0;
    virtual QCoro::Task<ComputerUseResult> playMusic(QString query, MusicScope scope) = 0;
};

} // namespace korvane
