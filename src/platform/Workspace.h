// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Outcome.h"
#include "platform/RunningApplication.h"

#include <QList>
#include <QString>
#include <QUrl>
#include <qcoro/qcorotask.h>

#include <optional>

namespace korvane {

// The desktop's view of applications: which is in front, which run, launching one, and
// opening addresses and files with their default handlers.
class Workspace {
public:
    virtual ~Workspace() = default;

    virtual QCoro::Task<std::optional<RunningApplication>> frontmostApplication() = 0;
    // One entry per application, in the order the desktop reports their windows.
    virtual QCoro::Task<QList<RunningApplication>> runningApplications() = 0;
    // Starts the application described at `application` (or brings it forward when it already
    // runs). Absent on success, else the reason as a sentence fragment.
    virtual QCoro::Task<Outcome> openApplication(QUrl application) = 0;
    // An address or a file:// URL, handed to its default handler; false when that failed.
    virtual QCoro::Task<bool> open(QUrl url) = 0;
    // The application that was in front just before this process's own window took the focus,
    // as the desktop reported it; absent when none is known or it has gone.
    virtual QCoro::Task<std::optional<RunningApplication>> applicationBeforeOwnWindow() = 0;
    // Brings a running application's window to the front; false when the desktop refused.
    virtual QCoro::Task<bool> activate(RunningApplication application) = 0;
};

} // namespace korvane
