#pragma once

#include "computeruse/ComputerUseContext.h"
#include "computeruse/command/ComputerUseCommand.h"
#include "core/ComputerUseResult.h"

#include <QList>
#include <QString>
#include <qcoro/qcorotask.h>

#include <optional>

// The executor's operations as free coroutines over a shared context, one source file per
// concern. MacComputerUseService forwards to them.
namespace korvane::operations {

// Dispatch
QCoro::Task<ComputerUseResult> executeText(ContextPointer context, QString text);
QCoro::Task<ComputerUseResult> executeTypedText(ContextPointer context, QString text);
QCoro::Task<ComputerUseResult> execute(ContextPointer context, ComputerUseCommand command);
QCoro::Task<ComputerUseResult> executeSequence(ContextPointer context,
                                               QList<ComputerUseCommand> commands);

// Applications and addresses
QCoro::Task<ComputerUseResult> openApp(ContextPointer context, QString name);
QCoro::Task<ComputerUseResult> openURL(ContextPointer context, QString text);
QCoro::Task<ComputerUseResult> createBlankPagesDocument(ContextPointer context);

// Accessibility and input
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

// Music
QCoro::Task<ComputerUseResult> openMusic(ContextPointer context);
QCoro::Task<ComputerUseResult> stopMusic(ContextPointer context);
QCoro::Task<ComputerUseResult> resumeMusic(ContextPointer context);
QCoro::Task<ComputerUseResult> playMusic(ContextPointer context, QString query, MusicScope scope);

// Scripts, recipes and images
QCoro::Task<ComputerUseResult> runPythonScript(QString code);
QCoro::Task<ComputerUseResult> getRecipe(QString dish);
ComputerUseResult generateImage(const QString& prompt, const std::optional<QString>& aspectRatio);

} // namespace korvane::operations
