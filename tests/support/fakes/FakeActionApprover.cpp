// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakeActionApprover.h"

namespace korvane::test {

QCoro::Task<ApprovalDecision> FakeActionApprover::approve(ProposedAction action)
{
    asked.append(std::move(action));
    co_return decision;
}

} // namespace korvane::test
