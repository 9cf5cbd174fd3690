// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/MarkupScan.h"

#include "search/TextOccurrences.h"

namespace korvane::MarkupScan {

QList<QStringView> elementBodies(QStringView page, QStringView open, QStringView attribute,
                                 QStringView close)
{
    Q_ASSERT(!attribute.contains(u'>'));
    const TextOccurrences starts(page, open);
    const TextOccurrences tagEnds = TextOccurrences::ofAnyCharacter(page, u">");
    const TextOccurrences attributes(page, attribute);
    const TextOccurrences closes(page, close);

    QList<QStringView> bodies;
    qsizetype position = 0;
    while (true) {
        const qsizetype start = starts.next(position);
        if (start < 0)
            break;
        const qsizetype tagEnd = tagEnds.next(start + open.size());
        // Every later start needs a '>' after it too.
        if (tagEnd < 0)
            break;
        const qsizetype attributeAt = attributes.next(start + open.size());
        if (attributeAt < 0 || attributeAt > tagEnd) {
            // A later start inside this tag sees a part of the same tag, so it fails as well.
            position = tagEnd;
            continue;
        }
        const qsizetype closeAt = closes.next(tagEnd + 1);
        if (closeAt < 0)
            break;
        bodies.append(page.sliced(tagEnd + 1, closeAt - tagEnd - 1));
        position = closeAt + close.size();
    }
    return bodies;
}

QString stripTags(QStringView markup)
{
    QString text;
    text.reserve(markup.size());
    qsizetype position = 0;
    while (position < markup.size()) {
        const qsizetype open = markup.indexOf(u'<', position);
        if (open < 0)
            break;
        text.append(markup.sliced(position, open - position));
        // `[^>]+` needs one character that is not '>' before the closing '>'.
        if (open + 1 < markup.size() && markup[open + 1] != u'>') {
            const qsizetype close = markup.indexOf(u'>', open + 2);
            if (close < 0) {
                // No '>' left, so no tag either.
                position = open;
                break;
            }
            position = close + 1;
            continue;
        }
        text.append(u'<');
        position = open + 1;
    }
    if (position < markup.size())
        text.append(markup.sliced(position));
    return text;
}

bool isPatternSpace(QChar character)
{
    switch (character.unicode()) {
    case u' ':
    case u'\t':
    case u'\n':
    case u'\v':
    case u'\f':
    case u'\r':
        return true;
    default:
        return false;
    }
}

} // namespace korvane::MarkupScan
