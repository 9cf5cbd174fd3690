// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/MusicAutomation.h"

#include <chrono>
#include <memory>

namespace korvane {

class ApplicationCatalog;
class MprisBus;
class MusicLibrary;
class Workspace;

// How long the operations wait on players.
struct MprisPlayerWait {
    // For a player that was just launched to reach the bus.
    std::chrono::milliseconds appearance{8000};
    std::chrono::milliseconds pollInterval{100};
    // For a player's own status to show that a command took effect.
    std::chrono::milliseconds confirmation{5000};
};

// The music player driven over MPRIS 2, the one the person hears: commands go to the player
// that is playing, else to a running one that accepts control (the desktop's music
// application's first, the catalog's "music player"), and only when none runs is the music
// application launched. A command is reported done only once the player's own PlaybackStatus
// and track say so; otherwise the summary says what happened. The search runs over the music
// library.
class MprisMusicAutomation final : public MusicAutomation {
public:
    // Without a bus, the session bus.
    MprisMusicAutomation(std::shared_ptr<Workspace> workspace,
                         std::shared_ptr<const ApplicationCatalog> catalog,
                         std::shared_ptr<MusicLibrary> library, std::shared_ptr<MprisBus> bus = {},
                         MprisPlayerWait wait = {});
    ~MprisMusicAutomation() override;

    QCoro::Task<ComputerUseResult> openMusic() override;
    QCoro::Task<ComputerUseResult> stopMusic() override;
    QCoro::Task<ComputerUseResult> resumeMusic() override;
    QCoro::Task<ComputerUseResult> playMusic(QString query, MusicScope scope) override;

    struct Shared;

private:
    // Shared with running operations, so they finish safely when this object goes first.
    std::shared_ptr<const Shared> m_shared;
};

} // namespace korvane
