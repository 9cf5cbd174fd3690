// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/BrowserTarget.h"
#include "platform/RunningApplication.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace korvane {

// How Korvane reaches a browser it started: the DevTools protocol over a pipe (Chromium
// family) or WebDriver BiDi over a loopback WebSocket (Firefox).
enum class RemoteProtocol { devTools, webDriverBiDi };

// The browsers Korvane drives, recognised by the desktop file ID of their entry or, when no
// entry matched their windows, by their window class.
class KnownBrowsers final {
public:
    struct Entry {
        QString desktopId{};
        // Lower case; compared without regard to case.
        QStringList windowClasses{};
        QString scriptName{};
        RemoteProtocol protocol = RemoteProtocol::devTools;
    };

    static const QList<Entry>& entries();
    static std::optional<Entry> forDesktopId(QStringView desktopId);
    // The browser `application` is, if it is a known one, carrying its process and entry.
    static std::optional<BrowserTarget> target(const RunningApplication& application);
    static BrowserTarget target(const Entry& entry, qint64 processId = 0);
    // "devtools" / "bidi", as the host is told on its command line.
    static QString protocolName(RemoteProtocol protocol);
    static std::optional<RemoteProtocol> protocolNamed(QStringView name);
};

} // namespace korvane
