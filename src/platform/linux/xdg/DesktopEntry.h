// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace korvane {

// The [Desktop Entry] group of one .desktop file, with Name= already localized.
struct DesktopEntry {
    // Desktop file ID: the path below applications/ with '/' turned into '-'.
    QString id{};
    QString filePath{};
    QString type{};
    QString name{};
    QString exec{};
    QString tryExec{};
    QString workingDirectory{};
    QString startupWMClass{};
    bool hidden = false;
    bool noDisplay = false;

    // Hidden, NoDisplay, not an application, or its TryExec program is missing.
    bool isLaunchable() const;
    // The Exec line split into program and arguments, field codes removed; empty when it
    // cannot be split.
    QStringList commandLine() const;
    // The program's file name ("firefox-esr" for "/usr/bin/firefox-esr %u").
    QString executableName() const;

    friend bool operator==(const DesktopEntry&, const DesktopEntry&) = default;
};

// Absent when the file cannot be read or has no [Desktop Entry] group. `locale` is the
// messages locale (LC_MESSAGES form, "de_DE.UTF-8@euro"); empty reads LC_ALL, LC_MESSAGES, LANG.
std::optional<DesktopEntry> readDesktopEntry(const QString& filePath, const QString& id,
                                             const QString& locale = {});

// An Exec value split by the desktop-entry quoting rules, field codes dropped ("%%" is "%").
std::optional<QStringList> splitExecLine(const QString& exec);

} // namespace korvane
