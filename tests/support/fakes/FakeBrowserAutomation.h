// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/BrowserAutomation.h"

#include <QHash>
#include <QStringList>

namespace korvane::test {

// Browsers keyed by script name, each with an optional active tab. Members are returned
// through std::as_const: co_return of a non-const lvalue moves from it.
class FakeBrowserAutomation final : public BrowserAutomation {
public:
    std::optional<BrowserTarget> frontmostBrowser{};
    QList<BrowserTarget> runningBrowsers{};
    QHash<QString, QString> activeTabs{};
    std::optional<QString> closeError{};
    // Not handled: the desktop opens addresses.
    BrowserOpenResult openAnswer{};

    // "close(Safari)", "click(Safari, Sign in)", "open(https://…)"…
    QStringList calls{};

    QCoro::Task<std::optional<BrowserTarget>> frontmost() override
    {
        co_return std::as_const(frontmostBrowser);
    }
    QCoro::Task<QList<BrowserTarget>> running() override
    {
        co_return std::as_const(runningBrowsers);
    }
    QCoro::Task<std::optional<QString>> activeTabURL(BrowserTarget target) override
    {
        co_return activeTabs.contains(target.scriptName)
            ? std::optional(activeTabs.value(target.scriptName))
            : std::nullopt;
    }
    QCoro::Task<Outcome> closeActiveTab(BrowserTarget target) override
    {
        calls.append(u"close("_qs + target.scriptName + u')');
        co_return closeError ? Outcome::failure(*closeError) : Outcome::success();
    }
    QCoro::Task<Outcome> navigateActiveTab(BrowserTarget, QUrl) override
    {
        co_return Outcome::success();
    }
    // Nothing on the page matches.
    QCoro::Task<BrowserClickResult> clickPageElement(BrowserTarget target, QString name) override
    {
        calls.append(u"click("_qs + target.scriptName + u", "_qs + name + u')');
        co_return BrowserClickResult{false, u"Nothing matched on the page."_qs};
    }
    QCoro::Task<BrowserOpenResult> openURL(QUrl url) override
    {
        calls.append(u"open("_qs + url.toString() + u')');
        co_return std::as_const(openAnswer);
    }
};

} // namespace korvane::test
