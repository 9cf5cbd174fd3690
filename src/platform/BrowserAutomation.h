// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Outcome.h"
#include "platform/BrowserTarget.h"

#include <QList>
#include <QString>
#include <QUrl>
#include <qcoro/qcorotask.h>

#include <optional>

namespace korvane {

// The browsers that can be driven, and their active tabs: the tab in front of the browser's
// front window.
class BrowserAutomation {
public:
    virtual ~BrowserAutomation() = default;

    // The frontmost application, when it is a supported browser.
    virtual QCoro::Task<std::optional<BrowserTarget>> frontmost() = 0;
    // Running supported browsers; the frontmost one first.
    virtual QCoro::Task<QList<BrowserTarget>> running() = 0;
    virtual QCoro::Task<std::optional<QString>> activeTabURL(BrowserTarget target) = 0;
    virtual QCoro::Task<Outcome> closeActiveTab(BrowserTarget target) = 0;
    virtual QCoro::Task<Outcome> navigateActiveTab(BrowserTarget target, QUrl url) = 0;
    virtual QCoro::Task<BrowserClickResult> clickPageElement(BrowserTarget target,
                                                             QString name) = 0;
    // Opens `url` in a new tab in front of a browser Korvane drives, starting the default
    // browser when it is one Korvane can drive and none runs.
    virtual QCoro::Task<BrowserOpenResult> openURL(QUrl url) = 0;
};

} // namespace korvane
