// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Outcome.h"
#include "platform/linux/browser/KnownBrowsers.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

namespace korvane {

// Starts a browser Korvane drives through its host (korvane-browser-host), which opens the
// browser's remote interface to Korvane alone and keeps running, detached, as long as the
// browser does. Chromium-family browsers get Korvane's own profile (they refuse remote control
// of the default one); Firefox gets the person's default profile.
class BrowserLaunch final {
public:
    struct Options {
        // How long the browser may take to answer once started.
        std::chrono::milliseconds deadline{60000};
    };

    // Starts the browser of `desktopId` with `command` (program first, from its desktop entry)
    // and waits until it can be driven (it succeeds also when it was already running). Blocks:
    // run it off the main thread.
    static Outcome start(const QString& desktopId, const QStringList& command,
                         const QString& workingDirectory, Options options);
    static Outcome start(const QString& desktopId, const QStringList& command,
                         const QString& workingDirectory = {});

    // `command` with the switches that open the remote interface and pick the profile; a
    // switch the command already sets is kept as it is.
    static QStringList browserCommand(const KnownBrowsers::Entry& browser, QStringList command,
                                      const QString& profile);
    // $XDG_DATA_HOME/korvane/browser-profile, the Chromium-family profile.
    static QString chromiumProfile();
    // Next to the running program, else where Korvane installs it.
    static QString hostProgram();
    // Which browser Korvane drives for the default browser `desktopId`, and with which profile,
    // as one sentence for the README's reader (`korvane-cli config`).
    static QString describe(const QString& desktopId);
};

} // namespace korvane
