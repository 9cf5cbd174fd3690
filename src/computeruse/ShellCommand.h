// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <qcoro/qcorotask.h>

#include <chrono>
#include <optional>

namespace korvane {

struct ShellCommandResult {
    QString output{};
    QString error{};
    int exitCode = 0;
    // The command ran past its time limit and was killed, with everything it started.
    bool timedOut = false;
    // Either stream grew past the cap; only its beginning was kept.
    bool truncated = false;

    friend bool operator==(const ShellCommandResult&, const ShellCommandResult&) = default;
};

struct ShellCommandOptions {
    std::optional<QString> workingDirectory{};
    std::chrono::milliseconds timeLimit{std::chrono::minutes(10)};
    // Kept per stream; the rest is read and dropped so the child never stalls on a full pipe.
    qsizetype maximumStreamBytes = 10 * 1024 * 1024;
};

// Runs `program` with `arguments` in a process group of its own, both pipes read while it
// runs, with this process's environment. At the time limit the whole group is killed. A failed
// launch gives exit code -1 and "Process launch failed: …" as the error text.
QCoro::Task<ShellCommandResult> runProcess(QString program, QStringList arguments,
                                           ShellCommandOptions options);

// runProcess of /bin/bash -c `command`.
QCoro::Task<ShellCommandResult> runShellCommand(QString command, ShellCommandOptions options);

// `text` as one single-quoted bash word.
QString shellQuoted(const QString& text);

} // namespace korvane
