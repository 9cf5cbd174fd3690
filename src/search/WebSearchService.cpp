#include "search/WebSearchService.h"

namespace korvane {

WebSearchService& WebSearchService::shared()
{
    static WebSearchService service;
    return service;
}

QCoro::Task<QList<SearchResult>> WebSearchService::search(QString)
{
    // The results-page reader arrives with the web search work.
    co_return QList<SearchResult>{};
}

} // namespace korvane
