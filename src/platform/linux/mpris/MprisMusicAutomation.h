#pragma once

#include "platform/MusicAutomation.h"

#include <chrono>
#include <memory>

namespace korvane {

class ApplicationCatalog;
class MprisBus;
class MusicLibrary;
class Workspace;

// How long resuming and playing wait for a player that was just launched to reach the bus.
struct MprisPlayerWait {
    std::chrono::milliseconds appearance{5000};
    std::chrono::milliseconds pollInterval{200};
};

// The music player driven over MPRIS 2: the desktop's music application (the catalog's
// "com.apple.Music") is launched through the workspace; pause, play and opening a file go to
// the player on the bus; the search runs over the music library.
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
