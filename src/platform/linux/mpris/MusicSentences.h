// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "computeruse/command/ComputerUseCommand.h"

#include <QString>

namespace korvane {

// The summaries of the music operations.
class MusicSentences final {
public:
    static QString notFound();
    static QString couldNotOpen(const QString& description);
    static QString opened();
    static QString stopped();
    static QString couldNotStop(const QString& message);
    static QString resumed();
    static QString couldNotResume(const QString& message);
    // "Playing QUERY SCOPE_TEXT (TRACK)." — the detail only when the trimmed track name is not
    // empty.
    static QString playing(const QString& query, const MusicScope& scope, const QString& track);
    // SCOPE_PREFIX QUERY: MESSAGE
    static QString couldNotPlay(const QString& query, const MusicScope& scope,
                                const QString& message);

    static QString scopePrefix(const MusicScope& scope);
    static QString scopeText(const MusicScope& scope);
    // The message itself, or "Music automation failed." when it is blank.
    static QString automationMessage(const QString& message);

    // Reasons of this desktop's player, used as messages above.
    static QString noPlayerRunning();
    static QString cannotBeControlled(const QString& playerName);
    static QString stillPlaying(const QString& playerName);
    static QString nothingToPlay(const QString& playerName);
    static QString didNotStart(const QString& playerName);

    // What happened when it was not what was asked.
    static QString notPlaying(const QString& playerName);
    static QString alreadyPlaying(const QString& playerName);
    static QString didNotPlay(const QString& query, const QString& track,
                              const QString& playerName);
    static QString handedToDesktop(const QString& track);
};

} // namespace korvane
