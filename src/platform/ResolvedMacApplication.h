#pragma once

#include <QString>
#include <QUrl>

namespace korvane {

// An installed application: the name summaries show and the file that describes it (a
// desktop entry on Linux).
struct ResolvedMacApplication {
    QString displayName{};
    QUrl url{};

    friend bool operator==(const ResolvedMacApplication&, const ResolvedMacApplication&) = default;
};

} // namespace korvane
