// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/AppIntentResult.h"

#include <QString>

namespace korvane {

class AppIntentRouter;

// "Create Korvane Note": shows the chat with the text waiting in the composer; nothing is
// sent until the user submits it. Opens the program when run.
struct CreateKorvaneNoteIntent {
    static QString title();
    static QString textParameterTitle();

    // Made without arguments, the intent holds the empty text.
    QString text{};

    // Main thread. Answers with the dialog "Opened Korvane.".
    AppIntentResult perform(AppIntentRouter& router) const;
    AppIntentResult perform() const;
};

} // namespace korvane
