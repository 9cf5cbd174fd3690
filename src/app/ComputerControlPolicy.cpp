// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ComputerControlPolicy.h"

namespace korvane {

namespace {

ApprovalDecision withStandingNetwork(ApprovalDecision decision, const ProposedAction& action,
                                     const ComputerControlSettings& settings)
{
    if (decision == ApprovalDecision::approved && settings.letScriptsUseNetwork &&
        action.kind == ProposedAction::Kind::runScript)
        return ApprovalDecision::approvedWithNetwork;
    return decision;
}

} // namespace

ComputerControlPolicy::ComputerControlPolicy(SettingsSource settings,
                                             std::shared_ptr<ActionApprover> person)
    : m_settings(std::move(settings))
    , m_person(std::move(person))
{
}

QCoro::Task<ApprovalDecision> ComputerControlPolicy::approve(ProposedAction action)
{
    const SettingsSource settings = m_settings;
    const ComputerControlSettings now = settings();
    if (now.allowComputerControl)
        co_return withStandingNetwork(ApprovalDecision::approved, action, now);
    const std::shared_ptr<ActionApprover> person = m_person;
    if (!person)
        co_return ApprovalDecision::unattended;
    ProposedAction asked = action;
    const ApprovalDecision decision = co_await person->approve(std::move(asked));
    // The settings as they are when the person answers.
    co_return withStandingNetwork(decision, action, settings());
}

} // namespace korvane
