// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "computeruse/ScriptPermissions.h"
#include "core/ComputerUseResult.h"

#include <QString>
#include <qcoro/qcorotask.h>

#include <optional>

namespace korvane {

struct KeyboardKey;

// The computer-use operations a `computer_use` tool call reaches. Each answers with one
// sentence (and sometimes an artifact), failures included.
class ComputerUseToolActions {
public:
    virtual ~ComputerUseToolActions() = default;

    virtual QCoro::Task<ComputerUseResult> openApp(QString name) = 0;
    virtual QCoro::Task<ComputerUseResult> openURL(QString text) = 0;
    virtual QCoro::Task<ComputerUseResult> inspectUI() = 0;
    // The frontmost browser's page first, then the accessibility tree.
    virtual QCoro::Task<ComputerUseResult> clickElement(QString name) = 0;
    virtual QCoro::Task<ComputerUseResult> typeText(QString text) = 0;
    virtual QCoro::Task<ComputerUseResult> typeText(QString text, QString field) = 0;
    virtual QCoro::Task<ComputerUseResult> pressKey(KeyboardKey key) = 0;
    virtual QCoro::Task<ComputerUseResult> searchWeb(QString query) = 0;
    virtual QCoro::Task<ComputerUseResult> generateImage(QString prompt,
                                                         std::optional<QString> aspectRatio) = 0;
    virtual QCoro::Task<ComputerUseResult> getRecipe(QString dish) = 0;
    virtual QCoro::Task<ComputerUseResult> runPythonScript(QString code,
                                                           ScriptPermissions permissions) = 0;
};

} // namespace korvane
