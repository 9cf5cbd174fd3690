#pragma once

#include "app/ComputerControlPolicy.h"

#include <QStringList>

// Each subcommand takes the arguments after its name and returns the process exit code:
// 0 on success, 1 when the result is a failure sentence, 2 for a usage error (message on
// standard error), 3 for a time-out.
namespace korvane::cli {

inline constexpr int exitSuccess = 0;
inline constexpr int exitFailure = 1;
inline constexpr int exitUsage = 2;
inline constexpr int exitTimeout = 3;

// --allow-computer-control and --allow-script-network grant what they name; true when
// `argument` was one of them.
bool takeComputerControlFlag(const QString& argument, ComputerControlSettings& granted);
// The user's stored settings with what the flags granted added.
ComputerControlPolicy::SettingsSource commandLineComputerControl(ComputerControlSettings granted);

int runAskCommand(const QStringList& arguments);
int runConfigCommand(const QStringList& arguments);
int runKeyCommand(const QStringList& arguments);
int runParseCommand(const QStringList& arguments);
int runRunCommand(const QStringList& arguments);
int runSearchCommand(const QStringList& arguments);

} // namespace korvane::cli
