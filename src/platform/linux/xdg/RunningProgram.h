// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/linux/xdg/DesktopEntry.h"

#include <QList>
#include <QString>

#include <optional>

namespace korvane {

// What the desktop tells of a running program: the names its windows carry (the X window
// class and instance, or the application name on the accessibility bus) and its process.
struct RunningProgram {
    QString windowClass{};
    QString instance{};
    qint64 processId = 0;
};

// The entry a program was started from: its StartupWMClass first, then its executable's name
// (from the process table) or its names matched against each entry's program.
std::optional<DesktopEntry> entryForProgram(const QList<DesktopEntry>& entries,
                                            const RunningProgram& program);

// The file name of the process's executable ("firefox-esr"); empty when unreadable (another
// user's process, or gone).
QString processExecutable(qint64 processId);

} // namespace korvane
