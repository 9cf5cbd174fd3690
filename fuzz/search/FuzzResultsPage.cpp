// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the results-page reader, as the search does after decoding.
#include "search/PageText.h"
#include "search/ResultsPageReader.h"

#include <QRegularExpression>
#include <QUrl>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // Invalid UTF-8 never reaches the reader in the service; read its lossy decoding anyway.
    const QString page = korvane::decodeUtf8Page(bytes).value_or(QString::fromUtf8(bytes));
    const QList<korvane::SearchResult> results =
        korvane::ResultsPageReader::read(page, QUrl(QStringLiteral("https://icons.test")));
    if (results.size() > korvane::ResultsPageReader::maximumResults)
        __builtin_trap();

    // Small pages: the scanner must agree with the plain pattern it replaces.
    if (page.size() > 2048)
        return 0;
    static const QRegularExpression titles(
        QString::fromUtf16(uR"re(<a[^>]*class="result__a"[^>]*href="([^"]+)"[^>]*>(.*?)</a>)re"),
        QRegularExpression::DotMatchesEverythingOption);
    QList<korvane::ResultsPageReader::TitleMatch> expected;
    QRegularExpressionMatchIterator matches = titles.globalMatch(page);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        expected.append({match.captured(1), match.captured(2)});
    }
    if (korvane::ResultsPageReader::titleMatches(page) != expected)
        __builtin_trap();
    return 0;
}
