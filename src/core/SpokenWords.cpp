// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/SpokenWords.h"

#include <QChar>
#include <QList>
#include <QStringList>

namespace korvane {

QString normalizedSpokenWords(QStringView text)
{
    const QList<uint> codePoints = text.toString().toLower().toUcs4();
    QString kept;
    kept.reserve(text.size());
    for (const uint codePoint : codePoints) {
        const auto c = char32_t(codePoint);
        if (QChar::isLetterOrNumber(c) || QChar::isSpace(c))
            kept.append(QString::fromUcs4(&c, 1));
    }
    return kept.split(u' ', Qt::SkipEmptyParts).join(u' ');
}

} // namespace korvane
