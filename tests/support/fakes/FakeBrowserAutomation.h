// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/BrowserAutomation.h"

#include <QHash>
#include <QStringList>

namespace korvane::test {

// Browsers keyed by script name, each with an optional active tab.
class FakeBrowserAutomation final : public BrowserAutomation {
public:
    std::optional<BrowserTarget> frontmostBrowser{};
    QList<BrowserTarget> runningBrowsers{};
    QHash<QString, QString> activeTabs{};
    std::optional<QString> closeError{};
    BrowserClickResult clickAnswer{false, QStringLiteral("Nothing matched on the page.")};
    // Not handled: the desktop opens addresses.
    BrowserOpenResult openAnswer{};

    // "close(Safari)", "click(Safari, Sign in)", "open(https://…)"…
    QStringList calls{};

    QCoro::Task<std::optional<BrowserTarget>> frontmost() override;
    QCoro::Task<QList<BrowserTarget>> running() override;
    QCoro::Task<std::optional<QString>> activeTabURL(BrowserTarget target) override;
    QCoro::Task<Outcome> closeActiveTab(BrowserTarget target) override;
    QCoro::Task<Outcome> navigateActiveTab(BrowserTarget target, QUrl url) override;
    QCoro::Task<BrowserClickResult> clickPageElement(BrowserTarget target, QString name) override;
    QCoro::Task<BrowserOpenResult> openURL(QUrl url) override;
};

} // namespace korvane::test
