// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/ApprovingToolActions.h"

#include "uiautomation/KeyboardKey.h"

namespace korvane {

ApprovingToolActions::ApprovingToolActions(std::shared_ptr<ComputerUseToolActions> actions,
                                           std::shared_ptr<ActionApprover> approver)
    : m_actions(std::move(actions))
    , m_approver(std::move(approver))
{
}

QCoro::Task<ComputerUseResult> ApprovingToolActions::whenApproved(ProposedAction action,
                                                                  Approved run)
{
    // Both kept for the whole wait: the person may take minutes to answer.
    std::shared_ptr<ComputerUseToolActions> actions = m_actions;
    const std::shared_ptr<ActionApprover> approver = m_approver;
    // Copies moved in: GCC 12 destroys some temporaries of a co_await expression twice.
    ProposedAction asked = action;
    const ApprovalDecision decision = co_await approver->approve(std::move(asked));
    if (!isApproved(decision))
        co_return ComputerUseResult::failure(notApprovedSentence(action, decision));
    co_return co_await run(std::move(actions), decision);
}

QCoro::Task<ComputerUseResult> ApprovingToolActions::openApp(QString name)
{
    return m_actions->openApp(std::move(name));
}

QCoro::Task<ComputerUseResult> ApprovingToolActions::openURL(QString text)
{
    return m_actions->openURL(std::move(text));
}

QCoro::Task<ComputerUseResult> ApprovingToolActions::inspectUI()
{
    return m_actions->inspectUI();
}

QCoro::Task<ComputerUseResult> ApprovingToolActions::clickElement(QString name)
{
    return whenApproved(
        {.kind = ProposedAction::Kind::click, .target = name},
        [name](auto actions, ApprovalDecision) { return actions->clickElement(name); });
}

QCoro::Task<ComputerUseResult> ApprovingToolActions::typeText(QString text)
{
    return whenApproved({.kind = ProposedAction::Kind::typeText, .text = text},
                        [text](auto actions, ApprovalDecision) { return actions->typeText(text); });
}

QCoro::Task<ComputerUseResult> ApprovingToolActions::typeText(QString text, QString field)
{
    return whenApproved(
        {.kind = ProposedAction::Kind::typeText, .text = text, .target = field},
        [text, field](auto actions, ApprovalDecision) { return actions->typeText(text, field); });
}

QCoro::Task<ComputerUseResult> ApprovingToolActions::pressKey(KeyboardKey key)
{
    return whenApproved({.kind = ProposedAction::Kind::pressKey, .target = key.displayName},
                        [key](auto actions, ApprovalDecision) { return actions->pressKey(key); });
}

QCoro::Task<ComputerUseResult> ApprovingToolActions::searchWeb(QString query)
{
    return m_actions->searchWeb(std::move(query));
}

QCoro::Task<ComputerUseResult>
ApprovingToolActions::generateImage(QString prompt, std::optional<QString> aspectRatio)
{
    return m_actions->generateImage(std::move(prompt), std::move(aspectRatio));
}

QCoro::Task<ComputerUseResult> ApprovingToolActions::getRecipe(QString dish)
{
    return m_actions->getRecipe(std::move(dish));
}

QCoro::Task<ComputerUseResult> ApprovingToolActions::runPythonScript(QString code,
                                                                     ScriptPermissions)
{
    // What the script may do is the person's choice, not the caller's.
    return whenApproved({.kind = ProposedAction::Kind::runScript, .text = code},
                        [code](auto actions, ApprovalDecision decision) {
                            return actions->runPythonScript(code, scriptPermissions(decision));
                        });
}

} // namespace korvane
