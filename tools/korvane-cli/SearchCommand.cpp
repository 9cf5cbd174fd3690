#include "CliCommands.h"
#include "CliOutput.h"
#include "search/WebSearchService.h"

#include <QJsonArray>
#include <qcoro/qcorotask.h>

namespace korvane::cli {

int runSearchCommand(const QStringList& arguments)
{
    // The words after "search" form the query, so it need not be quoted.
    const QString query = arguments.join(u' ');
    if (query.trimmed().isEmpty())
        return usageError(QStringLiteral("search QUERY"));
    const QList<SearchResult> results = QCoro::waitFor(WebSearchService::shared().search(query));
    QJsonArray array;
    for (const SearchResult& result : results)
        array.append(result.toJson());
    // No results is an answer too.
    printLine(compactJson(array));
    return exitSuccess;
}

} // namespace korvane::cli
