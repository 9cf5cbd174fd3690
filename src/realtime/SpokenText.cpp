// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/SpokenText.h"

#include "core/SpokenWords.h"

#include <QStringList>

#include <array>

namespace korvane::SpokenText {

namespace {

constexpr std::array<QStringView, 6> wakePhrases{
    u"hey korva", u"hey korwa", u"hey korvie", u"hey korvy", u"hey orva", u"hey orvie",
};

constexpr std::array<QStringView, 12> stopPhrases{
    u"stop",       u"done",        u"all done",       u"thats it",
    u"that is it", u"cancel",      u"nevermind",      u"never mind",
    u"end",        u"end session", u"stop listening", u"close connection",
};

constexpr std::array<QStringView, 2> stopWords{u"stop", u"cancel"};

} // namespace

QString normalized(QStringView text)
{
    return normalizedSpokenWords(text);
}

bool containsWakePhrase(QStringView text)
{
    const QString words = normalized(text);
    for (const QStringView phrase : wakePhrases) {
        if (words.contains(phrase))
            return true;
    }
    return false;
}

bool isStopCommand(QStringView text)
{
    const QString words = normalized(text);
    for (const QStringView phrase : stopPhrases) {
        if (words == phrase)
            return true;
    }
    const QStringList pieces = words.split(u' ', Qt::SkipEmptyParts);
    for (const QString& word : pieces) {
        for (const QStringView stopWord : stopWords) {
            if (word == stopWord)
                return true;
        }
    }
    return false;
}

} // namespace korvane::SpokenText
