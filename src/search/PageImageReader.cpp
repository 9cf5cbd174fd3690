// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/PageImageReader.h"

#include "search/MarkupScan.h"
#include "search/TextOccurrences.h"

namespace korvane::PageImageReader {

namespace {

using MarkupScan::isPatternSpace;

bool isQuote(QChar character)
{
    return character == u'"' || character == u'\'';
}

// Occurrences of `name=` + quote + `value` + quote, any letter case; the length of one.
struct QuotedAttribute {
    TextOccurrences occurrences;
    qsizetype length = 0;
};

QuotedAttribute quotedAttribute(QStringView page, QStringView name, QStringView value)
{
    const qsizetype valueAt = name.size() + 1;
    const qsizetype length = valueAt + value.size() + 1;
    TextOccurrences names(page, name, TextOccurrences::Case::insensitive);
    return {
        names.filtered([page, value, valueAt, length](qsizetype at) {
            return at + length <= page.size() && isQuote(page[at + valueAt - 1]) &&
                   page.sliced(at + valueAt, value.size()).compare(value, Qt::CaseInsensitive) ==
                       0 &&
                   isQuote(page[at + length - 1]);
        }),
        length};
}

struct Scan {
    QStringView page;
    TextOccurrences starts;
    TextOccurrences tagEnds;
    TextOccurrences quotes;
    // `content=` + quote; the value starts right after.
    TextOccurrences contents;
    static constexpr qsizetype contentLength = 9;

    explicit Scan(QStringView text)
        : page(text)
        , starts(text, u"<meta", TextOccurrences::Case::insensitive)
        , tagEnds(TextOccurrences::ofAnyCharacter(text, u">"))
        , quotes(TextOccurrences::ofAnyCharacter(text, u"\"'"))
        , contents(TextOccurrences(text, u"content=", TextOccurrences::Case::insensitive)
                       .filtered([text](qsizetype at) {
                           return at + contentLength <= text.size() &&
                                  isQuote(text[at + contentLength - 1]);
                       }))
    {
    }

    // The end of `[^"']+` from `valueStart` (the closing quote), or -1 when it cannot match.
    qsizetype valueEnd(qsizetype valueStart) const
    {
        const qsizetype quote = quotes.next(valueStart);
        return quote > valueStart ? quote : -1;
    }

    // Runs `matchInTag(start, tagEnd)` for each `<meta\s` start whose tag can still hold a
    // match, first match wins. A start that fails takes every later start of the same tag with
    // it, because its `[^>]*` could have absorbed them.
    template <typename MatchInTag>
    std::optional<QString> firstMatch(MatchInTag matchInTag) const
    {
        qsizetype position = 0;
        while (true) {
            const qsizetype start = starts.next(position);
            if (start < 0)
                return std::nullopt;
            if (start + 5 >= page.size() || !isPatternSpace(page[start + 5])) {
                position = start + 1;
                continue;
            }
            const qsizetype nextTagEnd = tagEnds.next(start + 5);
            // No '>' is needed for these patterns: the tag may run to the end of the page.
            const qsizetype tagEnd = nextTagEnd < 0 ? page.size() : nextTagEnd;
            if (std::optional<QString> value = matchInTag(start + 6, tagEnd))
                return value;
            if (nextTagEnd < 0)
                return std::nullopt;
            position = tagEnd;
        }
    }

    // `attribute\s+[^>]*content=["']([^"']+)["']` within [from, tagEnd).
    std::optional<QString> contentAfter(const QuotedAttribute& attribute, qsizetype from,
                                        qsizetype tagEnd) const
    {
        qsizetype attributeEnd = -1;
        for (qsizetype index = attribute.occurrences.indexOfNext(from);
             index < attribute.occurrences.size() && attribute.occurrences.at(index) < tagEnd;
             ++index) {
            const qsizetype end = attribute.occurrences.at(index) + attribute.length;
            if (end < page.size() && isPatternSpace(page[end])) {
                attributeEnd = end;
                break;
            }
        }
        if (attributeEnd < 0)
            return std::nullopt;
        // Backtracking tries the last content attribute first; the first that fits wins.
        std::optional<QString> found;
        for (qsizetype index = contents.indexOfNext(attributeEnd + 1);
             index < contents.size() && contents.at(index) < tagEnd; ++index) {
            const qsizetype value = contents.at(index) + contentLength;
            const qsizetype end = valueEnd(value);
            if (end >= 0)
                found = page.sliced(value, end - value).toString();
        }
        return found;
    }

    // `content=["']([^"']+)["']\s+[^>]*attribute` starting within [from, tagEnd).
    std::optional<QString> contentBefore(const QuotedAttribute& attribute, qsizetype from,
                                         qsizetype tagEnd) const
    {
        std::optional<QString> found;
        for (qsizetype index = contents.indexOfNext(from);
             index < contents.size() && contents.at(index) < tagEnd; ++index) {
            const qsizetype value = contents.at(index) + contentLength;
            const qsizetype end = valueEnd(value);
            if (end < 0 || end + 1 >= page.size() || !isPatternSpace(page[end + 1]))
                continue;
            // The value may run past a '>'; the attribute must follow before the next one.
            const qsizetype attributeAt = attribute.occurrences.next(end + 2);
            const qsizetype nextTagEnd = tagEnds.next(end + 2);
            if (attributeAt < 0 || (nextTagEnd >= 0 && attributeAt > nextTagEnd))
                continue;
            found = page.sliced(value, end - value).toString();
        }
        return found;
    }
};

} // namespace

std::optional<QString> imageUrl(QStringView page)
{
    const Scan scan(page);
    const QuotedAttribute openGraph = quotedAttribute(page, u"property=", u"og:image");
    std::optional<QString> address = scan.firstMatch([&](qsizetype from, qsizetype tagEnd) {
        return scan.contentAfter(openGraph, from, tagEnd);
    });
    if (!address) {
        address = scan.firstMatch([&](qsizetype from, qsizetype tagEnd) {
            return scan.contentBefore(openGraph, from, tagEnd);
        });
    }
    if (!address) {
        const QuotedAttribute twitter = quotedAttribute(page, u"name=", u"twitter:image");
        address = scan.firstMatch([&](qsizetype from, qsizetype tagEnd) {
            return scan.contentAfter(twitter, from, tagEnd);
        });
    }
    if (address && address->startsWith(u"//"))
        address->prepend(u"https:");
    return address;
}

} // namespace korvane::PageImageReader
