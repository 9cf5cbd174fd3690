// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>

namespace korvane {

// An installed application: the name summaries show and the file that describes it (a
// desktop entry on Linux).
struct InstalledApplication {
    QString displayName{};
    QUrl url{};

    friend bool operator==(const InstalledApplication&, const InstalledApplication&) = default;
};

} // namespace korvane
