// SPDX-License-Identifier: GPL-3.0-or-later
#include "uiautomation/UIElementDescription.h"

namespace korvane {

QJsonObject UIElementDescription::toJson() const
{
    QJsonObject object{
        {QStringLiteral("role"), role},
        {QStringLiteral("subrole"), subrole},
        {QStringLiteral("name"), name},
    };
    if (description)
        object.insert(QStringLiteral("description"), *description);
    if (value)
        object.insert(QStringLiteral("value"), *value);
    return object;
}

} // namespace korvane
