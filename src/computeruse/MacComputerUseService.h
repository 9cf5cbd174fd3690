// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "computeruse/ComputerUseBackends.h"
#include "computeruse/ComputerUseService.h"
#include "computeruse/ComputerUseToolActions.h"
#include "computeruse/command/ComputerUseCommand.h"
#include "core/ComputerUseResult.h"

#include <QString>
#include <qcoro/qcorotask.h>

#include <memory>
#include <optional>

namespace korvane {

struct ComputerUseContext;

// The Linux computer-use service. Where a command or a tool call becomes an action on the
// desktop. Holds no state of its own: every operation starts from what the desktop shows at
// that moment, and answers with one sentence (and sometimes an artifact), failures included.
// An operation keeps its backends alive by itself, so the service may be destroyed while one
// is still running.
class MacComputerUseService final : public ComputerUseService, public ComputerUseToolActions {
public:
    // Every port of `backends` must be given (the composition root gives this desktop's);
    // the search and the pacing default to the shared web search and real timers.
    explicit MacComputerUseService(ComputerUseBackends backends);
    ~MacComputerUseService() override;

    QCoro::Task<ComputerUseResult> execute(QString text) override;
    QCoro::Task<ComputerUseResult> executeTypedCommand(QString text) override;
    QCoro::Task<ComputerUseResult> execute(ComputerUseCommand command);

    QCoro::Task<ComputerUseResult> openApp(QString name) override;
    QCoro::Task<ComputerUseResult> openURL(QString text) override;
    QCoro::Task<ComputerUseResult> inspectUI() override;
    QCoro::Task<ComputerUseResult> clickElement(QString name) override;
    QCoro::Task<ComputerUseResult> typeText(QString text) override;
    QCoro::Task<ComputerUseResult> typeText(QString text, QString field) override;
    QCoro::Task<ComputerUseResult> pressKey(KeyboardKey key) override;
    QCoro::Task<ComputerUseResult> searchWeb(QString query) override;
    QCoro::Task<ComputerUseResult> generateImage(QString prompt,
                                                 std::optional<QString> aspectRatio) override;
    QCoro::Task<ComputerUseResult> getRecipe(QString dish) override;
    QCoro::Task<ComputerUseResult> runPythonScript(QString code,
                                                   ScriptPermissions permissions) override;

private:
    std::shared_ptr<const ComputerUseContext> m_context;
};

} // namespace korvane
