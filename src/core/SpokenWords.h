// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

namespace korvane {

// A transcript as the phrase lists compare it: lower case, only letters, numbers and white
// space kept (whole code points, so letters outside the basic plane survive), pieces split at
// the space character and joined by single spaces. "Hey, Korva!" gives "hey korva".
QString normalizedSpokenWords(QStringView text);

} // namespace korvane
