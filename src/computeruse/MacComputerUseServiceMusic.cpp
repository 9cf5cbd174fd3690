#include "computeruse/ComputerUseOperations.h"
#include "platform/MusicAutomation.h"

namespace korvane::operations {

// The music sentences are the player's own.
QCoro::Task<ComputerUseResult> openMusic(ContextPointer context)
{
    co_return co_await context->ports.music->openMusic();
}

QCoro::Task<ComputerUseResult> stopMusic(ContextPointer context)
{
    co_return co_await context->ports.music->stopMusic();
}

QCoro::Task<ComputerUseResult> resumeMusic(ContextPointer context)
{
    co_return co_await context->ports.music->resumeMusic();
}

QCoro::Task<ComputerUseResult> playMusic(ContextPointer context, QString query, MusicScope scope)
{
    co_return co_await context->ports.music->playMusic(std::move(query), std::move(scope));
}

} // namespace korvane::operations
