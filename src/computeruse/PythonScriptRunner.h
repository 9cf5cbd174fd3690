#pragma once

#include "core/ComputerUseResult.h"

#include <QString>
#include <qcoro/qcorotask.h>

#include <chrono>
#include <optional>

namespace korvane {

// Runs model-written Python in the workspace's private virtual environment and turns the
// artifact marker of its output into an artifact. Runs never overlap: they share one script
// file.
class PythonScriptRunner final {
public:
    explicit PythonScriptRunner(QString workspace,
                                std::chrono::milliseconds timeLimit = std::chrono::minutes(10));

    QCoro::Task<ComputerUseResult> run(QString code) const;

    // The interpreter, creating the environment on top of the system's Python packages when it
    // is missing, and installing the packages the system lacks until that has once succeeded.
    // Absent only when the environment could not be created; a failed install still gives the
    // interpreter. Progress lines go to standard output.
    QCoro::Task<std::optional<QString>> ensureVirtualEnvironment() const;

    QString environmentFolder() const;
    QString interpreterPath() const;
    QString scriptPath() const;

private:
    QString m_workspace;
    std::chrono::milliseconds m_timeLimit;
};

} // namespace korvane
