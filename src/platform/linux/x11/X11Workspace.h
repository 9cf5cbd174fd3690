// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Workspace.h"

#include <memory>

namespace korvane {

class X11ActivationHistory;
class XdgApplicationCatalog;

// The workspace on an X11 desktop: windows through the EWMH properties of the root window,
// matched to desktop entries by StartupWMClass or executable name; applications launched
// detached from their entry's Exec line; addresses and files through xdg-open. X11 calls run
// on the automation thread; activations are followed from construction on.
class X11Workspace final : public Workspace {
public:
    explicit X11Workspace(std::shared_ptr<const XdgApplicationCatalog> catalog);
    ~X11Workspace() override;

    QCoro::Task<std::optional<RunningApplication>> frontmostApplication() override;
    QCoro::Task<QList<RunningApplication>> runningApplications() override;
    QCoro::Task<Outcome> openApplication(QUrl application) override;
    QCoro::Task<bool> open(QUrl url) override;
    QCoro::Task<std::optional<RunningApplication>> applicationBeforeOwnWindow() override;
    QCoro::Task<bool> activate(RunningApplication application) override;

private:
    std::shared_ptr<const XdgApplicationCatalog> m_catalog;
    std::shared_ptr<const X11ActivationHistory> m_history;
};

} // namespace korvane
