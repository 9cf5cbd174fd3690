#include "realtime/SpokenText.h"

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
    const QString lower = text.toString().toLower();
    QString kept;
    kept.reserve(lower.size());
    // Whole code points, so letters outside the basic plane survive.
    for (qsizetype i = 0; i < lower.size();) {
        const char32_t codePoint = lower.at(i).isHighSurrogate() && i + 1 < lower.size() &&
                                           lower.at(i + 1).isLowSurrogate()
                                       ? QChar::surrogateToUcs4(lower.at(i), lower.at(i + 1))
                                       : lower.at(i).unicode();
        const qsizetype length = codePoint > 0xFFFF ? 2 : 1;
        if (QChar::isLetterOrNumber(codePoint) || QChar::isSpace(codePoint))
            kept.append(lower.mid(i, length));
        i += length;
    }
    return kept.split(u' ', Qt::SkipEmptyParts).join(u' ');
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
