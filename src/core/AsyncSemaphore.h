// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QPromise>
#include <qcoro/qcorotask.h>

#include <deque>
#include <memory>

namespace korvane {

// At most `count` holders at a time; the others wait, first come first served. Lives on one
// thread, like the coroutines that use it.
class AsyncSemaphore final : public QObject {
    Q_OBJECT

public:
    // Holds one place until it is destroyed.
    class Permit final {
    public:
        Permit() = default;
        explicit Permit(AsyncSemaphore* owner);
        Permit(Permit&& other) noexcept;
        Permit& operator=(Permit&& other) noexcept;
        ~Permit();
        Q_DISABLE_COPY(Permit)

    private:
        QPointer<AsyncSemaphore> m_owner;
    };

    explicit AsyncSemaphore(int count, QObject* parent = nullptr);
    // Those still waiting are let through, so no coroutine waits forever.
    ~AsyncSemaphore() override;
    Q_DISABLE_COPY_MOVE(AsyncSemaphore)

    QCoro::Task<Permit> acquire();
    int available() const;

private:
    void release();

    int m_available;
    std::deque<std::shared_ptr<QPromise<void>>> m_waiting;
};

} // namespace korvane
