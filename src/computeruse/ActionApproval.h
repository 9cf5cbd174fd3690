// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "computeruse/ScriptPermissions.h"
#include "core/Enumerations.h"

#include <QString>
#include <qcoro/qcorotask.h>

namespace korvane {

// Something a language model asked for that runs code or acts on the desktop as if it were the
// person: it runs only once approved. Commands the person typed or spoke never come here.
struct ProposedAction {
    using Kind = ProposedActionKind;

    Kind kind = Kind::runScript;
    // The whole script, or the text to type.
    QString text{};
    // The field to type into (empty for the focused one), the key, or the element to click.
    QString target{};

    friend bool operator==(const ProposedAction&, const ProposedAction&) = default;
};

enum class ApprovalDecision {
    approved,
    // Scripts only: with the network, and the API key.
    approvedWithNetwork,
    // The person said no.
    declined,
    // Nobody was there to ask, and nothing allows it without asking.
    unattended,
};

bool isApproved(ApprovalDecision decision);

// What an approved script may do beyond its sandbox.
ScriptPermissions scriptPermissions(ApprovalDecision decision);

// The result sentence of an action that was not approved; it tells the model, too, what
// happened.
QString notApprovedSentence(const ProposedAction& action, ApprovalDecision decision);

// Decides whether a proposed action runs: by a setting, by asking the person, or not at all.
class ActionApprover {
public:
    virtual ~ActionApprover() = default;
    virtual QCoro::Task<ApprovalDecision> approve(ProposedAction action) = 0;
};

} // namespace korvane
