// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/GlobalShortcutChain.h"

namespace korvane {

GlobalShortcutChain::GlobalShortcutChain(QList<std::shared_ptr<GlobalShortcut>> candidates,
                                         QString whenNone)
    : m_candidates(std::move(candidates))
    , m_whenNone(std::move(whenNone))
{
    for (const std::shared_ptr<GlobalShortcut>& candidate : std::as_const(m_candidates)) {
        // The chain owns its candidates, so they never call a chain that is gone.
        candidate->onPressed = [this] {
            if (onPressed)
                onPressed();
        };
        candidate->onReleased = [this] {
            if (onReleased)
                onReleased();
        };
    }
}

QCoro::Task<bool> GlobalShortcutChain::isOffered()
{
    for (const std::shared_ptr<GlobalShortcut>& candidate : std::as_const(m_candidates)) {
        if (co_await candidate->isOffered())
            co_return true;
    }
    co_return false;
}

QCoro::Task<Outcome> GlobalShortcutChain::bind(QString keys)
{
    unbind();
    for (const std::shared_ptr<GlobalShortcut>& candidate : m_candidates) {
        if (!co_await candidate->isOffered())
            continue;
        m_current = candidate;
        co_return co_await candidate->bind(keys);
    }
    co_return Outcome::failure(m_whenNone);
}

void GlobalShortcutChain::unbind()
{
    if (const std::shared_ptr<GlobalShortcut> current = std::exchange(m_current, {}))
        current->unbind();
}

} // namespace korvane
