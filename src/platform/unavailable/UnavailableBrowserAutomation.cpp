// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/unavailable/UnavailableBrowserAutomation.h"

namespace korvane {

namespace {

QString notRunning()
{
    return QStringLiteral("No supported browser is running.");
}

} // namespace

QCoro::Task<std::optional<BrowserTarget>> UnavailableBrowserAutomation::frontmost()
{
    co_return std::nullopt;
}

QCoro::Task<QList<BrowserTarget>> UnavailableBrowserAutomation::running()
{
    co_return QList<BrowserTarget>{};
}

QCoro::Task<std::optional<QString>> UnavailableBrowserAutomation::activeTabURL(BrowserTarget)
{
    co_return std::nullopt;
}

QCoro::Task<Outcome> UnavailableBrowserAutomation::closeActiveTab(BrowserTarget)
{
    co_return Outcome::failure(notRunning());
}

QCoro::Task<Outcome> UnavailableBrowserAutomation::navigateActiveTab(BrowserTarget, QUrl)
{
    co_return Outcome::failure(notRunning());
}

QCoro::Task<BrowserClickResult> UnavailableBrowserAutomation::clickPageElement(BrowserTarget,
                                                                               QString)
{
    co_return BrowserClickResult{false, notRunning()};
}

QCoro::Task<BrowserOpenResult> UnavailableBrowserAutomation::openURL(QUrl)
{
    // The desktop's own handler opens it.
    co_return BrowserOpenResult{};
}

} // namespace korvane
