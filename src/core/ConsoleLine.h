// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace korvane {

// One progress or failure line for whoever watches the terminal, on standard error: standard
// output belongs to korvane-cli's JSON, which a line there would break. Any thread.
void printConsoleLine(const QString& line);

} // namespace korvane
