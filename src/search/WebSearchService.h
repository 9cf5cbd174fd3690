#pragma once

#include "search/SearchResult.h"

#include <QList>
#include <QString>
#include <qcoro/qcorotask.h>

namespace korvane {

// Answers a query with at most five results read from the search engine's HTML page,
// enriched with preview images and recipes. Hosts come from configuration at every search.
class WebSearchService final {
public:
    static WebSearchService& shared();

    // Never fails: every failure gives an empty list.
    QCoro::Task<QList<SearchResult>> search(QString query);
};

} // namespace korvane
