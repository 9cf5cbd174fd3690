// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "computeruse/ComputerUseContext.h"
#include "computeruse/ScriptPermissions.h"
#include "computeruse/command/ComputerUseCommand.h"
#include "core/ComputerUseResult.h"
#include "platform/RunningApplication.h"

#include <QList>
#include <QString>
#include <qcoro/qcorotask.h>

#include <functional>
#include <optional>

namespace korvane {
struct UIAutomationResult;
}

// The computer-use operations as free coroutines over a shared context, one source file per
// concern, so a running operation never depends on the service object.
namespace korvane::operations {

// Dispatch
QCoro::Task<ComputerUseResult> executeText(ContextPointer context, QString text);
QCoro::Task<ComputerUseResult> executeTypedText(ContextPointer context, QString text);
QCoro::Task<ComputerUseResult> execute(ContextPointer context, ComputerUseCommand command);
QCoro::Task<ComputerUseResult> executeSequence(ContextPointer context,
                                               QList<ComputerUseCommand> commands);

// Applications and addresses
QCoro::Task<ComputerUseResult> openApp(ContextPointer context, QString name);
// Polls what is in front every 100 ms until `landed` holds, for two seconds at most: switching
// applications takes the desktop a moment. False when it never held.
QCoro::Task<bool>
waitForFrontmost(ContextPointer context,
                 std::function<bool(const std::optional<RunningApplication>&)> landed);
QCoro::Task<ComputerUseResult> openURL(ContextPointer context, QString text);
QCoro::Task<ComputerUseResult> createBlankPagesDocument(ContextPointer context);

// Accessibility and input
// What to turn on when the accessibility tree cannot be read.
QString permissionSentence();
// The sentence for an accessibility step's result.
QString summary(const UIAutomationResult& result);
QCoro::Task<ComputerUseResult> inspectUI(ContextPointer context);
QCoro::Task<ComputerUseResult> clickElement(ContextPointer context, QString name);
QCoro::Task<ComputerUseResult> typeText(ContextPointer context, QString text);
QCoro::Task<ComputerUseResult> typeTextIntoField(ContextPointer context, QString text,
                                                 QString field);
QCoro::Task<ComputerUseResult> focusField(ContextPointer context, QString name);
QCoro::Task<ComputerUseResult> pressKey(ContextPointer context, KeyboardKey key);

// Web search and browsers
QCoro::Task<ComputerUseResult> searchWeb(ContextPointer context, QString query);
QCoro::Task<ComputerUseResult> closeWebsite(ContextPointer context, QString text);
QCoro::Task<ComputerUseResult> closeActiveBrowserTab(ContextPointer context);

// Scripts, recipes and images
QCoro::Task<ComputerUseResult> runPythonScript(QString code, ScriptPermissions permissions);
QCoro::Task<ComputerUseResult> getRecipe(QString dish);
ComputerUseResult generateImage(const QString& prompt, const std::optional<QString>& aspectRatio);

} // namespace korvane::operations
