// SPDX-License-Identifier: GPL-3.0-or-later
#include "speech/WakePhraseMatcher.h"

#include "core/SpokenWords.h"

#include <QChar>
#include <QList>

namespace korvane {

QString WakePhraseMatcher::normalized(const QString& text)
{
    return normalizedSpokenWords(text);
}

std::optional<WakePhraseMatch> WakePhraseMatcher::match(const QString& normalizedText,
                                                        const QStringList& phrases)
{
    for (const QString& phrase : phrases) {
        if (phrase.isEmpty())
            continue;
        const qsizetype at = normalizedText.indexOf(phrase);
        if (at < 0)
            continue;
        const QString suffix = normalizedText.mid(at + phrase.size()).trimmed();
        WakePhraseMatch found{phrase, std::nullopt};
        if (!suffix.isEmpty())
            found.commandSuffix = suffix;
        return found;
    }
    return std::nullopt;
}

} // namespace korvane
