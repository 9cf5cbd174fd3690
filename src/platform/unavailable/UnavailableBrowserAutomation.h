// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/BrowserAutomation.h"

namespace korvane {

// Until a browser backend exists: no supported browser is running.
class UnavailableBrowserAutomation final : public BrowserAutomation {
public:
    QCoro::Task<std::optional<BrowserTarget>> frontmost() override;
    QCoro::Task<QList<BrowserTarget>> running() override;
    QCoro::Task<std::optional<QString>> activeTabURL(BrowserTarget target) override;
    QCoro::Task<Outcome> closeActiveTab(BrowserTarget target) override;
    QCoro::Task<Outcome> navigateActiveTab(BrowserTarget target, QUrl url) override;
    QCoro::Task<BrowserClickResult> clickPageElement(BrowserTarget target, QString name) override;
    QCoro::Task<BrowserOpenResult> openURL(QUrl url) override;
};

} // namespace korvane
