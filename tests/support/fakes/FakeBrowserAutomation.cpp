// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakeBrowserAutomation.h"

// Members are returned through std::as_const: co_return of a non-const lvalue moves from it.
namespace korvane::test {

QCoro::Task<std::optional<BrowserTarget>> FakeBrowserAutomation::frontmost()
{
    co_return std::as_const(frontmostBrowser);
}

QCoro::Task<QList<BrowserTarget>> FakeBrowserAutomation::running()
{
    co_return std::as_const(runningBrowsers);
}

QCoro::Task<std::optional<QString>> FakeBrowserAutomation::activeTabURL(BrowserTarget target)
{
    const auto tab = activeTabs.constFind(target.scriptName);
    if (tab == activeTabs.cend())
        co_return std::nullopt;
    co_return *tab;
}

QCoro::Task<Outcome> FakeBrowserAutomation::closeActiveTab(BrowserTarget target)
{
    calls.append(QStringLiteral("close(") + target.scriptName + u')');
    co_return closeError ? Outcome::failure(*closeError) : Outcome::success();
}

QCoro::Task<Outcome> FakeBrowserAutomation::navigateActiveTab(BrowserTarget target, QUrl url)
{
    calls.append(QStringLiteral("navigate(") + target.scriptName + QStringLiteral(", ") +
                 url.toString() + u')');
    co_return Outcome::success();
}

QCoro::Task<BrowserClickResult> FakeBrowserAutomation::clickPageElement(BrowserTarget target,
                                                                        QString name)
{
    calls.append(QStringLiteral("click(") + target.scriptName + QStringLiteral(", ") + name + u')');
    co_return std::as_const(clickAnswer);
}

QCoro::Task<BrowserOpenResult> FakeBrowserAutomation::openURL(QUrl url)
{
    calls.append(QStringLiteral("open(") + url.toString() + u')');
    co_return std::as_const(openAnswer);
}

} // namespace korvane::test
