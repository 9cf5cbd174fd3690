// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace korvane {

// The arguments of one `computer_use` tool call. A member that is not a string is absent.
struct ComputerUseToolArguments {
    QString action{};
    std::optional<QString> appName{};
    std::optional<QString> url{};
    std::optional<QString> targetName{};
    std::optional<QString> text{};
    std::optional<QString> key{};
    std::optional<QString> query{};
    std::optional<QString> prompt{};
    std::optional<QString> aspectRatio{};
    std::optional<QString> scriptCode{};

    // Absent unless `json` is a JSON object with a string "action".
    static std::optional<ComputerUseToolArguments> parse(QStringView json);

    friend bool operator==(const ComputerUseToolArguments&,
                           const ComputerUseToolArguments&) = default;
};

} // namespace korvane
