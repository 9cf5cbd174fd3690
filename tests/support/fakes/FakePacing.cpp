// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakePacing.h"

namespace korvane::test {

std::chrono::steady_clock::time_point FakePacing::now()
{
    return m_now;
}

QCoro::Task<void> FakePacing::sleep(std::chrono::milliseconds duration)
{
    sleeps.append(duration);
    m_now += duration;
    co_return;
}

} // namespace korvane::test
