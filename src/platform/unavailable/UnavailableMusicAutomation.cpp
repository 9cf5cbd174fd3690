// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/unavailable/UnavailableMusicAutomation.h"

namespace korvane {

namespace {

ComputerUseResult notFound()
{
    return {QStringLiteral("Music app was not found."), std::nullopt};
}

} // namespace

QCoro::Task<ComputerUseResult> UnavailableMusicAutomation::openMusic()
{
    co_return notFound();
}

QCoro::Task<ComputerUseResult> UnavailableMusicAutomation::stopMusic()
{
    co_return notFound();
}

QCoro::Task<ComputerUseResult> UnavailableMusicAutomation::resumeMusic()
{
    co_return notFound();
}

QCoro::Task<ComputerUseResult> UnavailableMusicAutomation::playMusic(QString, MusicScope)
{
    co_return notFound();
}

} // namespace korvane
