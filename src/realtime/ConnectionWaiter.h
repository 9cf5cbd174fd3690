// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <coroutine>
#include <optional>

namespace korvane {

// A one-shot completion a coroutine awaits: resolved once, with success, an error, or word that
// the wait no longer matters. The waiting coroutine resumes on a later turn of the main event
// loop, never inside resolve(), so whoever resolves may go on touching its own state.
class ConnectionWaiter final {
public:
    enum class Outcome { connected, failed, abandoned };
    struct Result {
        Outcome outcome = Outcome::abandoned;
        QString error{};
    };

    ConnectionWaiter() = default;
    ConnectionWaiter(const ConnectionWaiter&) = delete;
    ConnectionWaiter& operator=(const ConnectionWaiter&) = delete;

    // Later calls are ignored.
    void resolve(Result result);
    bool isResolved() const;

    // What a coroutine co_awaits; the waiter must outlive the wait.
    struct Awaiter {
        ConnectionWaiter* waiter = nullptr;
        bool await_ready() const noexcept;
        void await_suspend(std::coroutine_handle<> waiting) const noexcept;
        Result await_resume() const;
    };
    Awaiter wait();

private:
    std::optional<Result> m_result;
    std::coroutine_handle<> m_waiting;
};

} // namespace korvane
