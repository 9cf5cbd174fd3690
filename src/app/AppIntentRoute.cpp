// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppIntentRoute.h"

namespace korvane {

QString AppIntentRoute::idText() const
{
    return id.toString(QUuid::WithoutBraces);
}

QString AppIntentRoute::destinationText() const
{
    return rawValue(destination);
}

QVariant AppIntentRoute::prefilledPromptValue() const
{
    return prefilledPrompt ? QVariant(*prefilledPrompt) : QVariant();
}

} // namespace korvane
