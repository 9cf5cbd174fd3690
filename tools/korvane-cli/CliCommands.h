// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ComputerControlPolicy.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Each subcommand ("verb") takes the arguments after its name and returns the process exit
// code: 0 on success, 1 when the result is a failure sentence, 2 for a usage error (message on
// standard error), 3 for a time-out.
namespace korvane::cli {

inline constexpr int exitSuccess = 0;
inline constexpr int exitFailure = 1;
inline constexpr int exitUsage = 2;
inline constexpr int exitTimeout = 3;

struct VerbOption {
    // "--timeout"
    QString name;
    // "SECONDS"; empty for a flag.
    QString valueName{};
    QString text{};
    // The value names a file, so the shell completes paths for it.
    bool takesPath = false;
};

// A verb's help lives beside its code: the overview, `help VERB`, the manual page and the
// shell completion are all made from these.
struct Verb {
    QString name;
    // What follows the name: "[--timeout SECONDS] PROMPT...".
    QString arguments{};
    // One line for the overview, a sentence without a full stop.
    QString summary{};
    // Paragraphs of plain text, separated by blank lines.
    QString description{};
    QList<VerbOption> options{};
    std::function<int(const QStringList&)> run{};

    QString synopsis() const { return arguments.isEmpty() ? name : name + u' ' + arguments; }
};

// --allow-computer-control and --allow-script-network grant what they name; true when
// `argument` was one of them.
bool takeComputerControlFlag(const QString& argument, ComputerControlSettings& granted);
// The user's stored settings with what the flags granted added.
ComputerControlPolicy::SettingsSource commandLineComputerControl(ComputerControlSettings granted);

Verb askVerb();
Verb configVerb();
Verb keyVerb();
Verb listenVerb();
Verb parseVerb();
Verb runVerb();
Verb searchVerb();

} // namespace korvane::cli
