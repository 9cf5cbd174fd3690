// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <qcoro/qcorotask.h>

#include <chrono>

namespace korvane {

// The waits of the executor: a monotonic clock and a sleep that never blocks the thread.
class Pacing {
public:
    virtual ~Pacing() = default;

    virtual std::chrono::steady_clock::time_point now() = 0;
    virtual QCoro::Task<void> sleep(std::chrono::milliseconds duration) = 0;
};

// Real time: the sleep is a timer on the calling thread's event loop.
class TimerPacing final : public Pacing {
public:
    std::chrono::steady_clock::time_point now() override;
    QCoro::Task<void> sleep(std::chrono::milliseconds duration) override;
};

} // namespace korvane
