// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

namespace korvane {

// One interactive element of the frontmost window, as the model and the user see it.
struct UIElementDescription {
    QString role{};
    QString subrole{};
    QString name{};
    std::optional<QString> description{};
    std::optional<QString> value{};

    // Keys are the field names; absent optionals are left out.
    QJsonObject toJson() const;

    friend bool operator==(const UIElementDescription&, const UIElementDescription&) = default;
};

} // namespace korvane
