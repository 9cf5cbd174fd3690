// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CliCommands.h"

#include <QList>
#include <QString>

// Help, the manual page and the shell completion, all made from the verbs' own descriptions.
namespace korvane::cli {

// `korvane-cli --help`: usage, every verb with its summary, the global options.
QString overviewText(const QList<Verb>& verbs);
// `korvane-cli help VERB`: usage, description and options, wrapped for a terminal.
QString verbHelpText(const Verb& verb);
// korvane-cli(1) in roff.
QString manualPage(const QList<Verb>& verbs, const QString& version);
// A bash completion script for korvane-cli.
QString bashCompletion(const QList<Verb>& verbs);

} // namespace korvane::cli
