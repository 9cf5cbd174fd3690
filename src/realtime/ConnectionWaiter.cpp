// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/ConnectionWaiter.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace korvane {

void ConnectionWaiter::resolve(Result result)
{
    if (m_result)
        return;
    m_result = std::move(result);
    if (!m_waiting)
        return;
    const std::coroutine_handle<> waiting = std::exchange(m_waiting, {});
    // The application object outlives any one service, so the waiting start always resumes and
    // can see for itself whether its service is still there.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [waiting] { waiting.resume(); }, Qt::QueuedConnection);
}

bool ConnectionWaiter::isResolved() const
{
    return m_result.has_value();
}

ConnectionWaiter::Awaiter ConnectionWaiter::wait()
{
    return Awaiter{this};
}

bool ConnectionWaiter::Awaiter::await_ready() const noexcept
{
    return waiter->m_result.has_value();
}

void ConnectionWaiter::Awaiter::await_suspend(std::coroutine_handle<> waiting) const noexcept
{
    waiter->m_waiting = waiting;
}

ConnectionWaiter::Result ConnectionWaiter::Awaiter::await_resume() const
{
    return waiter->m_result.value_or(Result{});
}

} // namespace korvane
