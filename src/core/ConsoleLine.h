#pragma once

#include <QString>

namespace korvane {

// One progress or failure line for whoever watches the terminal. Any thread; lines never
// interleave.
void printConsoleLine(const QString& line);

} // namespace korvane
