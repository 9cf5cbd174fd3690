// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/MusicAutomation.h"

#include <QStringList>

namespace korvane::test {

// Answers "<operation>." and records the call.
class FakeMusicAutomation final : public MusicAutomation {
public:
    QStringList calls{};

    QCoro::Task<ComputerUseResult> openMusic() override { co_return answer(u"open"_qs); }
    QCoro::Task<ComputerUseResult> stopMusic() override { co_return answer(u"stop"_qs); }
    QCoro::Task<ComputerUseResult> resumeMusic() override { co_return answer(u"resume"_qs); }
    QCoro::Task<ComputerUseResult> playMusic(QString query, MusicScope scope) override
    {
        QString where = u"library"_qs;
        if (const auto* playlist = std::get_if<MusicScope::Playlist>(&scope.value))
            where = u"playlist "_qs + playlist->named;
        else if (std::holds_alternative<MusicScope::Playlists>(scope.value))
            where = u"playlists"_qs;
        co_return answer(u"play "_qs + query + u" in "_qs + where);
    }

private:
    ComputerUseResult answer(const QString& call)
    {
        calls.append(call);
        return {call + u'.', std::nullopt};
    }
};

} // namespace korvane::test
