// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "computeruse/ActionApproval.h"

#include <QList>

namespace korvane::test {

// Answers every proposed action with `decision`, recording what it was asked.
class FakeActionApprover final : public ActionApprover {
public:
    ApprovalDecision decision = ApprovalDecision::approved;
    QList<ProposedAction> asked;

    QCoro::Task<ApprovalDecision> approve(ProposedAction action) override
    {
        asked.append(std::move(action));
        co_return decision;
    }
};

} // namespace korvane::test
