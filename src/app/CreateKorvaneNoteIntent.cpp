// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CreateKorvaneNoteIntent.h"

#include "app/AppIntentRouter.h"

namespace korvane {

QString CreateKorvaneNoteIntent::title()
{
    return QStringLiteral("Create Korvane Note");
}

QString CreateKorvaneNoteIntent::textParameterTitle()
{
    return QStringLiteral("Text");
}

AppIntentResult CreateKorvaneNoteIntent::perform(AppIntentRouter& router) const
{
    router.setPendingRoute({.destination = SidebarSection::chat, .prefilledPrompt = text});
    return {.dialog = QStringLiteral("Opened Korvane.")};
}

AppIntentResult CreateKorvaneNoteIntent::perform() const
{
    return perform(AppIntentRouter::shared());
}

} // namespace korvane
