// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/Pacing.h"

#include <qcoro/qcorotimer.h>

namespace korvane {

std::chrono::steady_clock::time_point TimerPacing::now()
{
    return std::chrono::steady_clock::now();
}

QCoro::Task<void> TimerPacing::sleep(std::chrono::milliseconds duration)
{
    co_await QCoro::sleepFor(duration);
}

} // namespace korvane
