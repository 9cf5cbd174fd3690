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

    // The interpreter, creating the environment and installing its packages when it is missing;
    // absent when that failed. Progress lines go to standard output.
    QCoro::Task<std::optional<QString>> ensureVirtualEnvironment() const;

    QString environmentFolder() const;
    QString interpreterPath() const;
    QString scriptPath() const;

private:
    QString m_workspace;
    std::chrono::milliseconds m_timeLimit;
};

} // namespace korvane
