// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/desktop/LaunchRouting.h"

#include "app/AppIntentRouter.h"
#include "app/CreateKorvaneNoteIntent.h"
#include "app/OpenKorvaneSectionIntent.h"

namespace korvane {

void routeLaunchRequest(const LaunchRequest& request, AppIntentRouter& router)
{
    switch (request.intent) {
    case LaunchRequest::Intent::activate:
        return;
    case LaunchRequest::Intent::openSection: {
        const auto section = fromRawValue<KorvaneSectionIntentValue>(request.argument);
        if (section)
            OpenKorvaneSectionIntent{.section = section}.perform(router);
        return;
    }
    case LaunchRequest::Intent::createNote:
        CreateKorvaneNoteIntent{.text = request.argument}.perform(router);
        return;
    }
}

} // namespace korvane
