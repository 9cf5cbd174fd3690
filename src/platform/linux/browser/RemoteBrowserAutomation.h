// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/BrowserAutomation.h"
#include "platform/linux/browser/TabProtocol.h"

#include <memory>

namespace korvane {

class Workspace;
class XdgApplicationCatalog;

// The browsers Korvane started, driven through their hosts (see BrowserLaunch): Chromium-family
// browsers over DevTools, Firefox over WebDriver BiDi. A browser on the desktop is the one a
// host drives when its window belongs to the host's browser process; other copies are named
// but cannot be driven. Everything runs on the event loop; only the default-browser lookup and
// the launch run on the automation thread.
class RemoteBrowserAutomation final : public BrowserAutomation {
public:
    RemoteBrowserAutomation(std::shared_ptr<Workspace> workspace,
                            std::shared_ptr<const XdgApplicationCatalog> catalog,
                            RemoteDeadlines deadlines = {});
    ~RemoteBrowserAutomation() override;

    QCoro::Task<std::optional<BrowserTarget>> frontmost() override;
    QCoro::Task<QList<BrowserTarget>> running() override;
    QCoro::Task<std::optional<QString>> activeTabURL(BrowserTarget target) override;
    QCoro::Task<Outcome> closeActiveTab(BrowserTarget target) override;
    QCoro::Task<Outcome> navigateActiveTab(BrowserTarget target, QUrl url) override;
    QCoro::Task<BrowserClickResult> clickPageElement(BrowserTarget target, QString name) override;
    QCoro::Task<BrowserOpenResult> openURL(QUrl url) override;

    struct Context;

private:
    // Shared with running operations, so they finish safely when this object goes first.
    std::shared_ptr<const Context> m_context;
};

} // namespace korvane
