#pragma once

#include "platform/BrowserTarget.h"
#include "platform/RunningApplication.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace korvane {

// The Chromium-family browsers Korvane drives through DevTools, recognised by the desktop file
// ID of their entry or, when no entry matched their windows, by their window class.
class KnownBrowsers final {
public:
    struct Entry {
        QString desktopId{};
        // Lower case; compared without regard to case.
        QStringList windowClasses{};
        QString scriptName{};
    };

    static const QList<Entry>& entries();
    static std::optional<BrowserTarget> target(const RunningApplication& application);
    static bool isKnownDesktopId(QStringView desktopId);
};

} // namespace korvane
