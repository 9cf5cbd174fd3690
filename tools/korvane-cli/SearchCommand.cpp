// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliCommands.h"
#include "CliOutput.h"
#include "search/WebSearchService.h"

#include <QJsonArray>
#include <qcoro/qcorotask.h>

namespace korvane::cli {

namespace {

int runSearchCommand(const QStringList& arguments)
{
    // The words after "search" form the query, so it need not be quoted.
    const QString query = arguments.join(u' ');
    if (query.trimmed().isEmpty())
        return usageError(searchVerb().synopsis());
    const QList<SearchResult> results = QCoro::waitFor(WebSearchService::shared().search(query));
    QJsonArray array;
    for (const SearchResult& result : results)
        array.append(result.toJson());
    // No results is an answer too.
    printLine(compactJson(array));
    return exitSuccess;
}

} // namespace

Verb searchVerb()
{
    return {
        .name = QStringLiteral("search"),
        .arguments = QStringLiteral("QUERY..."),
        .summary = QStringLiteral("Search the web and print the results as JSON"),
        .description = QStringLiteral(
            "The words form one query. Prints the results as a JSON array, [] when nothing was "
            "found, and exits 0 either way. The results page comes from KORVANE_SEARCH_URL."),
        .run = runSearchCommand,
    };
}

} // namespace korvane::cli
