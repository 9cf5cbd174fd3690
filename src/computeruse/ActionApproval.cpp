// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/ActionApproval.h"

namespace korvane {

bool isApproved(ApprovalDecision decision)
{
    return decision == ApprovalDecision::approved ||
           decision == ApprovalDecision::approvedWithNetwork;
}

ScriptPermissions scriptPermissions(ApprovalDecision decision)
{
    return {.network = decision == ApprovalDecision::approvedWithNetwork};
}

QString notApprovedSentence(const ProposedAction& action, ApprovalDecision decision)
{
    QString outcome;
    switch (action.kind) {
    case ProposedAction::Kind::runScript:
        outcome = QStringLiteral("The script did not run");
        break;
    case ProposedAction::Kind::typeText:
        outcome = QStringLiteral("Nothing was typed");
        break;
    case ProposedAction::Kind::pressKey:
        outcome = QStringLiteral("The key was not pressed");
        break;
    case ProposedAction::Kind::click:
        outcome = QStringLiteral("Nothing was clicked");
        break;
    }
    if (decision == ApprovalDecision::unattended)
        return outcome +
               QStringLiteral(": actions the assistant proposes need the user's approval, and "
                              "nobody was asked. Turn on Allow Computer Control in Korvane's "
                              "settings, or pass --allow-computer-control to korvane-cli.");
    return outcome + QStringLiteral(": the user declined it.");
}

} // namespace korvane
