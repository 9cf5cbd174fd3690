// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace korvane {

// What the command line asks of the program: open a section, start a note, or just show up.
struct LaunchRequest {
    enum class Intent { activate, openSection, createNote };

    Intent intent = Intent::activate;
    // "chat" or "search" for openSection; the note text for createNote.
    QString argument{};

    friend bool operator==(const LaunchRequest&, const LaunchRequest&) = default;
};

struct LaunchArguments {
    std::optional<LaunchRequest> request{};
    // Set when the arguments were not understood; the sentence says why.
    QString error{};
    bool helpRequested = false;
    bool versionRequested = false;
    // --background: start without showing the window (login start, D-Bus activation).
    bool startHidden = false;
};

// Parses `--open-section SECTION`, `--note TEXT`, `--background`, `--help` and `--version`
// (argv, program name first).
LaunchArguments parseLaunchArguments(const QStringList& arguments);

// The D-Bus action name and parameter of a request ("open-section"/"create-note").
QString actionName(LaunchRequest::Intent intent);

} // namespace korvane
