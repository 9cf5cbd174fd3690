// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakeMusicAutomation.h"

namespace korvane::test {

namespace {

ComputerUseResult answered(QStringList& calls, const QString& call)
{
    calls.append(call);
    return {call + u'.', std::nullopt};
}

} // namespace

QCoro::Task<ComputerUseResult> FakeMusicAutomation::openMusic()
{
    co_return answered(calls, QStringLiteral("open"));
}

QCoro::Task<ComputerUseResult> FakeMusicAutomation::stopMusic()
{
    co_return answered(calls, QStringLiteral("stop"));
}

QCoro::Task<ComputerUseResult> FakeMusicAutomation::resumeMusic()
{
    co_return answered(calls, QStringLiteral("resume"));
}

QCoro::Task<ComputerUseResult> FakeMusicAutomation::playMusic(QString query, MusicScope scope)
{
    QString where = QStringLiteral("library");
    if (const auto* playlist = std::get_if<MusicScope::Playlist>(&scope.value))
        where = QStringLiteral("playlist ") + playlist->named;
    else if (std::holds_alternative<MusicScope::Playlists>(scope.value))
        where = QStringLiteral("playlists");
    co_return answered(calls, QStringLiteral("play ") + query + QStringLiteral(" in ") + where);
}

} // namespace korvane::test
