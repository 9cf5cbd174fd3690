// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Workspace.h"

#include <functional>
#include <memory>

namespace korvane {

class AtspiActivationHistory;
class XdgApplicationCatalog;

// The workspace on a Wayland desktop, where no program may see the others' windows: the
// frontmost application owns the top-level accessible whose state holds ACTIVE (a GTK frame,
// a Qt filler: any child of an application), found on the accessibility bus; the running ones
// are the applications there with a window, then the processes started from a desktop entry.
// Launching and opening are the desktop's own (desktop entries, xdg-open), as on X11.
class AtspiWorkspace final : public Workspace {
public:
    // Brings the window of a process forward; false when the desktop does not let it.
    using WindowRaiser = std::function<bool(qint64 processId)>;

    // Without `raise`, no window can be brought forward: an application that already runs is
    // only left running when it is opened again (GNOME lets no program raise another's
    // window). `history` follows window activations for applicationBeforeOwnWindow().
    AtspiWorkspace(std::shared_ptr<const XdgApplicationCatalog> catalog,
                   std::shared_ptr<const AtspiActivationHistory> history, WindowRaiser raise = {});
    ~AtspiWorkspace() override;

    QCoro::Task<std::optional<RunningApplication>> frontmostApplication() override;
    QCoro::Task<QList<RunningApplication>> runningApplications() override;
    QCoro::Task<Outcome> openApplication(QUrl application) override;
    QCoro::Task<bool> open(QUrl url) override;
    QCoro::Task<std::optional<RunningApplication>> applicationBeforeOwnWindow() override;
    QCoro::Task<bool> activate(RunningApplication application) override;

private:
    std::shared_ptr<const XdgApplicationCatalog> m_catalog;
    std::shared_ptr<const AtspiActivationHistory> m_history;
    WindowRaiser m_raise;
};

} // namespace korvane
