// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "search/SearchResult.h"

#include <QList>
#include <QString>
#include <QStringView>
#include <QUrl>

#include <optional>

// Reads the search engine's HTML results page into results, without any network.
namespace korvane::ResultsPageReader {

// At most this many results are read from one page.
inline constexpr qsizetype maximumResults = 10;

struct TitleMatch {
    QString link{};
    QString titleMarkup{};

    friend bool operator==(const TitleMatch&, const TitleMatch&) = default;
};

// Every match of
//   <a[^>]*class="result__a"[^>]*href="([^"]+)"[^>]*>(.*?)</a>
// with "." matching line breaks, in page order.
QList<TitleMatch> titleMatches(QStringView page);

// Group 1 of every match of <a[^>]*class="result__snippet"[^>]*>(.*?)</a>, in page order.
QList<QString> snippetMatches(QStringView page);

// Tags removed, trimmed, then the five entities decoded in their fixed order.
QString cleanText(QStringView markup);

// The real address behind the engine's redirector link (its `uddg` parameter), percent-decoded
// when that is possible; any other link unchanged. Protocol-relative results get "https:".
QString targetAddress(const QString& link);

// `iconBase` + "/ip3/" + host + ".ico", absent when `url` has no host.
std::optional<QString> faviconUrl(const QString& url, const QUrl& iconBase);

// Up to ten results, titles and snippets paired by position. Enrichment fields stay absent.
QList<SearchResult> read(QStringView page, const QUrl& iconBase);

} // namespace korvane::ResultsPageReader
