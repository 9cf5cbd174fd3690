// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/ComputerUseOperations.h"
#include "computeruse/ImageRequest.h"
#include "computeruse/PythonScriptRunner.h"
#include "core/Configuration.h"

namespace korvane::operations {

QCoro::Task<ComputerUseResult> runPythonScript(QString code, ScriptPermissions permissions)
{
    const PythonScriptRunner runner(Configuration::workspacePath());
    co_return co_await runner.run(std::move(code), permissions);
}

ComputerUseResult generateImage(const QString& prompt, const std::optional<QString>& aspectRatio)
{
    // Only a placeholder: the application generates the picture in the background.
    Artifact artifact;
    artifact.kind = ArtifactKind::image;
    artifact.status = ArtifactStatus::running;
    artifact.title = images::cleanImageTitle(prompt);
    artifact.body = images::imageSize(aspectRatio) + u'|' + prompt;
    return {QStringLiteral("Generating the image: \"") + prompt +
                QStringLiteral("\" in the background."),
            artifact};
}

} // namespace korvane::operations
