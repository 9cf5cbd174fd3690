#pragma once

#include <QString>
#include <QStringList>

namespace korvane {

// The command-line switches that let Korvane attach to a Chromium-family browser it starts:
// the DevTools port, the one WebSocket origin Korvane connects from, and a profile of its own
// (DevTools ignores the port on the default profile).
class ChromiumLaunchFlags final {
public:
    // http://127.0.0.1:PORT, sent as the Origin of every DevTools connection.
    static QString origin(quint16 port);
    // $XDG_DATA_HOME/korvane/browser-profile
    static QString profileFolder();
    static QStringList flags(quint16 port, const QString& profileFolder);
    // `command` (program first) with the flags for the configured port appended when
    // `desktopId` is a known Chromium-family browser. A switch the command already sets is
    // kept as it is; an invalid port setting leaves the command unchanged.
    static QStringList commandLine(const QString& desktopId, QStringList command);
};

} // namespace korvane
