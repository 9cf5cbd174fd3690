// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "computeruse/ScriptPermissions.h"
#include "core/ComputerUseResult.h"
#include "core/Outcome.h"

#include <QString>
#include <qcoro/qcorotask.h>

#include <chrono>
#include <optional>

namespace korvane {

// Runs model-written Python in the workspace's private virtual environment, always inside the
// script sandbox, and turns the artifact marker of its output into an artifact. Runs never
// overlap: they share one script file. What the script prints is cleared of the API key before
// anyone sees it.
class PythonScriptRunner final {
public:
    explicit PythonScriptRunner(QString workspace,
                                std::chrono::milliseconds timeLimit = std::chrono::minutes(10));

    QCoro::Task<ComputerUseResult> run(QString code, ScriptPermissions permissions = {}) const;

    // The interpreter, creating the environment on top of the system's Python packages when it
    // is missing, and installing the packages the system lacks until that has once succeeded.
    // Absent only when the environment could not be created; a failed install still gives the
    // interpreter. Runs outside the sandbox. Progress lines go to standard output.
    QCoro::Task<std::optional<QString>> ensureVirtualEnvironment() const;

    QString environmentFolder() const;
    QString interpreterPath() const;
    QString scriptPath() const;

private:
    QString m_workspace;
    std::chrono::milliseconds m_timeLimit;
};

// Whether the environment folder may be run: it and its bin folder must belong to this user and
// be writable by nobody else, and the interpreter must belong to this user or the system.
Outcome checkEnvironmentTrusted(const QString& environmentFolder);

// Whether a script may run in `workspace`: the home folder, the root or a folder above the home
// would open everything to the script.
Outcome checkWorkspaceSuitable(const QString& workspace);

} // namespace korvane
