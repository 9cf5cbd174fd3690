// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/PublicWeb.h"
#include "search/SearchResult.h"

#include <QList>
#include <QString>
#include <qcoro/qcorotask.h>

namespace korvane {

// Answers a query with at most five results read from the search engine's HTML page,
// enriched with preview images and recipes. Hosts come from configuration at every search.
// Result pages and preview images are reached only on the public internet, or where the
// configured search engine itself lives. Everything one search knows lives in that search's
// own coroutine, so overlapping searches never see each other's results.
class WebSearchService final {
public:
    static WebSearchService& shared();

    // `alsoTrusted` names further origins reached without the public-address check (tests
    // serving result sites on loopback).
    explicit WebSearchService(PublicWeb::TrustedOrigin alsoTrusted = {});

    // A results page above this size is a failed read.
    static constexpr qint64 maximumResultsPageBytes = 5 * 1024 * 1024;
    // A result page above this size gives no image and no recipe.
    static constexpr qint64 maximumResultPageBytes = 2 * 1024 * 1024;
    static constexpr qsizetype maximumReturnedResults = 5;
    static constexpr qsizetype recipeCandidates = 3;

    // Never fails: every failure gives an empty list.
    QCoro::Task<QList<SearchResult>> search(QString query);

private:
    PublicWeb::TrustedOrigin m_alsoTrusted;
};

} // namespace korvane
