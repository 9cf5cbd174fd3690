// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace korvane {

// The outcome of an accessibility or input step.
struct UIAutomationResult {
    enum class Outcome { succeeded, failed, accessibilityDenied };

    Outcome outcome = Outcome::failed;
    // Empty for accessibilityDenied.
    QString message{};

    static UIAutomationResult succeeded(QString message) { return {Outcome::succeeded, message}; }
    static UIAutomationResult failed(QString message) { return {Outcome::failed, message}; }
    static UIAutomationResult accessibilityDenied() { return {Outcome::accessibilityDenied, {}}; }

    friend bool operator==(const UIAutomationResult&, const UIAutomationResult&) = default;
};

} // namespace korvane
