// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Artifact.h"

#include <QString>

#include <optional>

namespace korvane {

// The outcome of one computer-use command: a sentence for the conversation and, sometimes, a
// document for the inspector.
struct ComputerUseResult {
    QString summary{};
    std::optional<Artifact> artifact{};
    // The sentence says the command did not do what was asked (the command line's exit code).
    bool failed = false;

    static ComputerUseResult failure(QString summary) { return {std::move(summary), {}, true}; }

    friend bool operator==(const ComputerUseResult&, const ComputerUseResult&) = default;
};

} // namespace korvane
