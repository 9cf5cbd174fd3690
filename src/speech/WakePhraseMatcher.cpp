#include "speech/WakePhraseMatcher.h"

#include <QChar>
#include <QList>

namespace korvane {

QString WakePhraseMatcher::normalized(const QString& text)
{
    const QList<uint> codePoints = text.toLower().toUcs4();
    QString kept;
    kept.reserve(text.size());
    for (const uint codePoint : codePoints) {
        const auto c = char32_t(codePoint);
        if (QChar::isLetterOrNumber(c) || QChar::isSpace(c))
            kept.append(QString::fromUcs4(&c, 1));
    }
    return kept.split(u' ', Qt::SkipEmptyParts).join(u' ');
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
