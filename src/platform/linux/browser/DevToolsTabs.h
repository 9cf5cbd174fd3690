// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/linux/browser/TabProtocol.h"

namespace korvane {

// Tabs of a Chromium-family browser over the DevTools protocol: Target.* for the list,
// closing and new tabs; each page command in a session attached to its tab for that command.
class DevToolsTabs final : public TabProtocol {
public:
    explicit DevToolsTabs(RemoteDeadlines deadlines);

    QCoro::Task<TabList> tabs(Link link) override;
    QCoro::Task<PageValue> evaluate(Link link, BrowserTab tab, QString expression) override;
    QCoro::Task<Outcome> navigate(Link link, BrowserTab tab, QUrl url) override;
    QCoro::Task<Outcome> close(Link link, BrowserTab tab) override;
    QCoro::Task<Outcome> openTab(Link link, QUrl url) override;

private:
    RemoteDeadlines m_deadlines;
};

} // namespace korvane
