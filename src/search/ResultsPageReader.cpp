// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/ResultsPageReader.h"

#include "core/Configuration.h"
#include "search/MarkupScan.h"
#include "search/TextOccurrences.h"

#include <QStringDecoder>

#include <algorithm>

namespace korvane::ResultsPageReader {

namespace {

const QString titleClass = QStringLiteral("class=\"result__a\"");
const QString hrefStart = QStringLiteral("href=\"");

int hexValue(QChar character)
{
    const char16_t c = character.unicode();
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// Strict percent-decoding: a '%' without two hex digits, or bytes that are not UTF-8, fail.
std::optional<QString> percentDecoded(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype percent = text.indexOf(u'%', at);
        const qsizetype plainEnd = percent < 0 ? text.size() : percent;
        bytes.append(text.sliced(at, plainEnd - at).toUtf8());
        if (percent < 0)
            break;
        if (percent + 2 >= text.size())
            return std::nullopt;
        const int high = hexValue(text[percent + 1]);
        const int low = hexValue(text[percent + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.append(static_cast<char>(high * 16 + low));
        at = percent + 3;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return decoded;
}

} // namespace

QList<TitleMatch> titleMatches(QStringView page)
{
    const TextOccurrences starts(page, u"<a");
    const TextOccurrences tagEnds = TextOccurrences::ofAnyCharacter(page, u">");
    const TextOccurrences classes(page, titleClass);
    const TextOccurrences hrefs(page, hrefStart);
    const TextOccurrences quotes = TextOccurrences::ofAnyCharacter(page, u"\"");
    const TextOccurrences closes(page, u"</a>");

    QList<TitleMatch> matches;
    qsizetype position = 0;
    while (true) {
        const qsizetype start = starts.next(position);
        if (start < 0)
            break;
        const qsizetype tagEnd = tagEnds.next(start + 2);
        if (tagEnd < 0)
            break;
        const qsizetype classAt = classes.next(start + 2);
        if (classAt < 0 || classAt > tagEnd) {
            position = tagEnd;
            continue;
        }
        // The engine backtracks from the last href of the tag, so the last one that leads to a
        // complete match wins; whichever class attribute precedes it does not matter.
        qsizetype valueStart = -1;
        qsizetype valueEnd = -1;
        qsizetype markupStart = -1;
        qsizetype closeAt = -1;
        for (qsizetype index = hrefs.indexOfNext(classAt + titleClass.size());
             index < hrefs.size() && hrefs.at(index) < tagEnd; ++index) {
            const qsizetype value = hrefs.at(index) + hrefStart.size();
            const qsizetype quote = quotes.next(value);
            if (quote <= value)
                continue;
            const qsizetype end = tagEnds.next(quote + 1);
            if (end < 0)
                continue;
            const qsizetype close = closes.next(end + 1);
            if (close < 0)
                continue;
            valueStart = value;
            valueEnd = quote;
            markupStart = end + 1;
            closeAt = close;
        }
        if (closeAt < 0) {
            position = tagEnd;
            continue;
        }
        matches.append({page.sliced(valueStart, valueEnd - valueStart).toString(),
                        page.sliced(markupStart, closeAt - markupStart).toString()});
        position = closeAt + 4;
    }
    return matches;
}

QList<QString> snippetMatches(QStringView page)
{
    QList<QString> snippets;
    for (QStringView body :
         MarkupScan::elementBodies(page, u"<a", u"class=\"result__snippet\"", u"</a>"))
        snippets.append(body.toString());
    return snippets;
}

QString cleanText(QStringView markup)
{
    QString text = MarkupScan::stripTags(markup).trimmed();
    // "&amp;" before "&lt;": "&amp;lt;" becomes "<", as the engine's pages have always read.
    text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    text.replace(QStringLiteral("&#x27;"), QStringLiteral("'"));
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    return text;
}

QString targetAddress(const QString& link)
{
    QString address = link;
    const qsizetype marker = link.indexOf(u"uddg=");
    if (marker >= 0) {
        QStringView part = QStringView(link).sliced(marker + 5);
        const qsizetype ampersand = part.indexOf(u'&');
        if (ampersand >= 0)
            part = part.first(ampersand);
        address = percentDecoded(part).value_or(part.toString());
    }
    if (address.startsWith(u"//"))
        address.prepend(u"https:");
    return address;
}

std::optional<QString> faviconUrl(const QString& url, const QUrl& iconBase)
{
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid())
        return std::nullopt;
    const QString host = parsed.host(QUrl::FullyEncoded);
    if (host.isEmpty())
        return std::nullopt;
    return Configuration::appendingPath(iconBase, QStringLiteral("/ip3/") + host + u".ico")
        .toString(QUrl::FullyEncoded);
}

QList<SearchResult> read(QStringView page, const QUrl& iconBase)
{
    const QList<TitleMatch> titles = titleMatches(page);
    const QList<QString> snippets = snippetMatches(page);
    const qsizetype count = std::min({titles.size(), snippets.size(), maximumResults});

    QList<SearchResult> results;
    results.reserve(count);
    for (qsizetype index = 0; index < count; ++index) {
        SearchResult result;
        result.url = targetAddress(titles[index].link);
        result.title = cleanText(titles[index].titleMarkup);
        result.snippet = cleanText(snippets[index]);
        result.faviconUrl = faviconUrl(result.url, iconBase);
        results.append(std::move(result));
    }
    return results;
}

} // namespace korvane::ResultsPageReader
