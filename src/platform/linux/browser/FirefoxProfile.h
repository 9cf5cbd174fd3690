// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace korvane {

// The Firefox profile Korvane starts Firefox with: the person's own default profile, so their
// logins and bookmarks are there, else (no Firefox profile yet) one of Korvane's.
class FirefoxProfile final {
public:
    // The folder holding profiles.ini: ~/.mozilla/firefox when it exists, else
    // $XDG_CONFIG_HOME/mozilla/firefox.
    static QString profilesFolder();
    // The default profile profiles.ini names, for the Firefox of `desktopId`: an install's
    // default first (the one whose name fits the edition when there are several), else the
    // profile marked Default=1. `profilesIni` is the file's text.
    static std::optional<QString> defaultProfile(QStringView profilesIni, const QString& folder,
                                                 const QString& desktopId);
    // $XDG_DATA_HOME/korvane/firefox-profile
    static QString ownProfile();
    // The profile to start, ready for remote control; absent with a reason when it cannot be
    // made ready.
    struct Choice {
        std::optional<QString> path{};
        bool personal = false;
        QString failure{};
    };
    static Choice forLaunch(const QString& desktopId);

    // Firefox's remote agent otherwise writes its automation defaults into the profile
    // (Safe Browsing and tracking protection off, the bookmarks toolbar hidden…), and they stay
    // after it quits. One line in user.js turns that off; the line is added when missing.
    static bool keepPersonSettings(const QString& profile);
    static QString keepSettingsLine();
};

} // namespace korvane
