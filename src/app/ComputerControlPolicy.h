// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "computeruse/ActionApproval.h"

#include <functional>
#include <memory>

namespace korvane {

// The person's standing answers, read at every decision.
struct ComputerControlSettings {
    // "Allow Computer Control": proposed actions run without asking.
    bool allowComputerControl = false;
    // "Let scripts use the network": approved scripts get the network and the API key.
    bool letScriptsUseNetwork = false;
};

// What "Allow Computer Control" means: with it on, proposed actions run at once; with it off,
// the person is asked, or, with nobody to ask, nothing runs.
class ComputerControlPolicy final : public ActionApprover {
public:
    using SettingsSource = std::function<ComputerControlSettings()>;

    // `person` asks the person; empty when nobody can be asked (the command line).
    ComputerControlPolicy(SettingsSource settings, std::shared_ptr<ActionApprover> person);

    QCoro::Task<ApprovalDecision> approve(ProposedAction action) override;

private:
    SettingsSource m_settings;
    std::shared_ptr<ActionApprover> m_person;
};

} // namespace korvane
