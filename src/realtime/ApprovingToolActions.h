// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "computeruse/ActionApproval.h"
#include "computeruse/ComputerUseToolActions.h"

#include <functional>
#include <memory>

namespace korvane {

// Tool calls that run code or act as the person (scripts, typing, key presses, clicks) wait
// for the approver; the rest pass straight through. A call that is not approved never
// reaches the actions, and its sentence tells the model so.
class ApprovingToolActions final : public ComputerUseToolActions {
public:
    ApprovingToolActions(std::shared_ptr<ComputerUseToolActions> actions,
                         std::shared_ptr<ActionApprover> approver);

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
    using Approved = std::function<QCoro::Task<ComputerUseResult>(
        std::shared_ptr<ComputerUseToolActions>, ApprovalDecision)>;
    QCoro::Task<ComputerUseResult> whenApproved(ProposedAction action, Approved run);

    std::shared_ptr<ComputerUseToolActions> m_actions;
    std::shared_ptr<ActionApprover> m_approver;
};

} // namespace korvane
