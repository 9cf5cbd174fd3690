// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/AsyncSemaphore.h"

#include <QFuture>
#include <qcoro/qcorofuture.h>

namespace korvane {

AsyncSemaphore::Permit::Permit(AsyncSemaphore* owner)
    : m_owner(owner)
{
}

AsyncSemaphore::Permit::Permit(Permit&& other) noexcept
    : m_owner(std::exchange(other.m_owner, nullptr))
{
}

AsyncSemaphore::Permit& AsyncSemaphore::Permit::operator=(Permit&& other) noexcept
{
    if (this != &other) {
        if (m_owner)
            m_owner->release();
        m_owner = std::exchange(other.m_owner, nullptr);
    }
    return *this;
}

AsyncSemaphore::Permit::~Permit()
{
    if (m_owner)
        m_owner->release();
}

AsyncSemaphore::AsyncSemaphore(int count, QObject* parent)
    : QObject(parent)
    , m_available(count)
{
}

AsyncSemaphore::~AsyncSemaphore()
{
    for (const std::shared_ptr<QPromise<void>>& waiting : m_waiting)
        waiting->finish();
}

int AsyncSemaphore::available() const
{
    return m_available;
}

QCoro::Task<AsyncSemaphore::Permit> AsyncSemaphore::acquire()
{
    if (m_available > 0) {
        --m_available;
        co_return Permit(this);
    }
    auto turn = std::make_shared<QPromise<void>>();
    turn->start();
    QFuture<void> ready = turn->future();
    m_waiting.push_back(std::move(turn));
    const QPointer<AsyncSemaphore> self(this);
    co_await ready;
    // A place handed over by release(), or nothing when the semaphore is gone.
    co_return Permit(self.data());
}

void AsyncSemaphore::release()
{
    if (m_waiting.empty()) {
        ++m_available;
        return;
    }
    // The place goes straight to the longest waiter.
    const std::shared_ptr<QPromise<void>> next = m_waiting.front();
    m_waiting.pop_front();
    next->finish();
}

} // namespace korvane
