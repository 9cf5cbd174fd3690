// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace korvane {

// What an intent hands back to the system: at most a line of dialog to show.
struct AppIntentResult {
    std::optional<QString> dialog{};

    friend bool operator==(const AppIntentResult&, const AppIntentResult&) = default;
};

} // namespace korvane
