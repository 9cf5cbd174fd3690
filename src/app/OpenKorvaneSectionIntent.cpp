// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/OpenKorvaneSectionIntent.h"

#include "app/AppIntentRouter.h"

namespace korvane {

QString displayName(KorvaneSectionIntentValue value)
{
    return value == KorvaneSectionIntentValue::search ? QStringLiteral("Search")
                                                      : QStringLiteral("Chat");
}

QString sectionIntentValueTypeDisplayName()
{
    return QStringLiteral("Korvane Section");
}

QString OpenKorvaneSectionIntent::title()
{
    return QStringLiteral("Open Korvane Section");
}

QString OpenKorvaneSectionIntent::sectionParameterTitle()
{
    return QStringLiteral("Section");
}

AppIntentResult OpenKorvaneSectionIntent::perform(AppIntentRouter& router) const
{
    const SidebarSection destination = section == KorvaneSectionIntentValue::search
                                           ? SidebarSection::search
                                           : SidebarSection::chat;
    router.setPendingRoute({.destination = destination});
    return {};
}

AppIntentResult OpenKorvaneSectionIntent::perform() const
{
    return perform(AppIntentRouter::shared());
}

} // namespace korvane
