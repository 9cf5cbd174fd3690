// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "computeruse/Pacing.h"

#include <QList>

namespace korvane::test {

// Virtual time: a sleep returns at once and moves the clock on by its duration.
class FakePacing final : public Pacing {
public:
    QList<std::chrono::milliseconds> sleeps{};

    std::chrono::steady_clock::time_point now() override { return m_now; }
    QCoro::Task<void> sleep(std::chrono::milliseconds duration) override
    {
        sleeps.append(duration);
        m_now += duration;
        co_return;
    }

private:
    std::chrono::steady_clock::time_point m_now{};
};

} // namespace korvane::test
