// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace korvane {

// An application with at least one window on the desktop.
struct RunningApplication {
    // The desktop file ID of the entry it was started from ("firefox-esr.desktop"); absent
    // when no installed entry matches its windows.
    std::optional<QString> desktopEntryId{};
    // The window class, for logs.
    QString name{};
    qint64 processId = 0;
    // The name people know it by: its entry's Name, else the window class.
    QString displayName{};

    friend bool operator==(const RunningApplication&, const RunningApplication&) = default;
};

} // namespace korvane
