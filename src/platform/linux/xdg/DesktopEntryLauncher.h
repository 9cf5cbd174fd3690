// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Outcome.h"
#include "platform/linux/xdg/DesktopEntry.h"

#include <QString>
#include <QUrl>
#include <qcoro/qcorotask.h>

#include <optional>

namespace korvane {

// Starts programs the way the desktop's own launcher does, whatever the display system.
class DesktopEntryLauncher final {
public:
    // Runs the entry's Exec line detached (a browser Korvane drives through its host, so
    // Korvane can reach its tabs). Blocking for a moment: call it on the automation
    // thread. Fails with the reason as a sentence fragment.
    static Outcome launch(const DesktopEntry& entry);
    // An address or a file:// URL, handed to its default handler through xdg-open.
    static QCoro::Task<bool> open(QUrl url);
};

} // namespace korvane
