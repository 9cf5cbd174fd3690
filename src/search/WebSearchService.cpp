// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/WebSearchService.h"

#include "core/Configuration.h"
#include "core/HttpFetch.h"
#include "core/PublicWeb.h"
#include "search/PageImageReader.h"
#include "search/PageText.h"
#include "search/RecipeReader.h"
#include "search/ResultsPageReader.h"

#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QNetworkRequest>
#include <QUrl>

#include <array>
#include <chrono>
#include <vector>

namespace korvane {

Q_LOGGING_CATEGORY(lcWebSearch, "korvane.search", QtWarningMsg)

namespace {

using namespace std::chrono_literals;

constexpr std::chrono::milliseconds resultsPageTimeout = 60s;
constexpr std::chrono::milliseconds resultPageTimeout = 2s;

const QByteArray userAgent =
    QByteArrayLiteral("Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/537.36 (KHTML, "
                      "like Gecko) Chrome/120.0.0.0 Safari/537.36");

HttpFetchRequest pageRequest(const QUrl& address, std::chrono::milliseconds timeout,
                             qint64 maximumBytes)
{
    QNetworkRequest request(address);
    request.setRawHeader(QByteArrayLiteral("User-Agent"), userAgent);
    return {request, QByteArrayLiteral("GET"), {}, timeout, maximumBytes};
}

// The query as one value of `q`: besides what a query may never hold unencoded, '&', '+' and
// '=' are escaped too, so "AT&T" or "C++" reach the engine whole instead of being split into
// parameters or read as spaces.
QByteArray encodedQuery(const QString& query)
{
    return query.toUtf8().toPercentEncoding(QByteArrayLiteral("!$'()*,-./:;?@_~"));
}

std::optional<QUrl> resultsPageAddress(const QString& query)
{
    QUrl address =
        Configuration::appendingPath(Configuration::searchUrl(), QStringLiteral("/html/"));
    address.setQuery(QStringLiteral("q=") + QString::fromLatin1(encodedQuery(query)),
                     QUrl::StrictMode);
    if (!address.isValid() || address.host().isEmpty())
        return std::nullopt;
    return address;
}

// Result pages and preview images come from someone else's page: they are reached only on the
// public internet, unless they live where the person's own search engine does.
PublicWeb::TrustedOrigin searchEngineOrigin(PublicWeb::TrustedOrigin alsoTrusted)
{
    const QUrl engine = Configuration::searchUrl();
    return [engine, alsoTrusted](const QUrl& url) {
        if (alsoTrusted && alsoTrusted(url))
            return true;
        return url.scheme().compare(engine.scheme(), Qt::CaseInsensitive) == 0 &&
               url.host() == engine.host() && url.port(-1) == engine.port(-1);
    };
}

QCoro::Task<std::optional<QString>>
resultPageText(QString urlString, PublicWeb::TrustedOrigin trusted, QDeadlineTimer deadline)
{
    // Named and moved in: GCC 12 destroys some temporaries of a co_await expression twice.
    PublicWeb::PageRequest request{
        .url = QUrl(urlString, QUrl::StrictMode),
        .userAgent = userAgent,
        .timeout = std::chrono::milliseconds(std::max<qint64>(0, deadline.remainingTime())),
        .maximumBodyBytes = WebSearchService::maximumResultPageBytes,
        .trusted = std::move(trusted),
    };
    const HttpFetchResult page = co_await PublicWeb::fetchPage(std::move(request));
    if (!page.succeeded()) {
        qCDebug(lcWebSearch) << "result page not read:" << page.errorDescription;
        co_return std::nullopt;
    }
    co_return decodeUtf8Page(page.body);
}

QCoro::Task<std::optional<QString>> fetchOGImage(QString urlString,
                                                 PublicWeb::TrustedOrigin trusted)
{
    const QDeadlineTimer deadline(resultPageTimeout);
    const std::optional<QString> page =
        co_await resultPageText(std::move(urlString), PublicWeb::TrustedOrigin(trusted), deadline);
    if (!page)
        co_return std::nullopt;
    const std::optional<QString> image = PageImageReader::imageUrl(*page);
    if (!image)
        co_return std::nullopt;
    // The window loads the picture: a file, another scheme or a local address never gets there.
    QUrl imageAddress(*image, QUrl::StrictMode);
    const bool safe = co_await PublicWeb::isSafeToLoad(
        std::move(imageAddress),
        std::chrono::milliseconds(std::max<qint64>(0, deadline.remainingTime())),
        std::move(trusted));
    if (!safe)
        co_return std::nullopt;
    co_return image;
}

QCoro::Task<std::optional<RecipeData>> fetchRecipe(QString urlString,
                                                   PublicWeb::TrustedOrigin trusted)
{
    const std::optional<QString> page = co_await resultPageText(
        std::move(urlString), std::move(trusted), QDeadlineTimer(resultPageTimeout));
    if (!page)
        co_return std::nullopt;
    co_return RecipeReader::read(*page);
}

// Every image look-up at once; each result takes its own answer, in whatever order they come.
QCoro::Task<QList<SearchResult>> withPreviewImages(QList<SearchResult> results,
                                                   PublicWeb::TrustedOrigin trusted)
{
    std::vector<QCoro::Task<>> lookups;
    lookups.reserve(static_cast<size_t>(results.size()));
    for (qsizetype index = 0; index < results.size(); ++index) {
        lookups.push_back(fetchOGImage(results[index].url, trusted)
                              .then([&results, index](std::optional<QString> image) {
                                  results[index].imageUrl = std::move(image);
                              }));
    }
    // The children write into this frame's list, so it must outlive all of them.
    for (QCoro::Task<>& lookup : lookups)
        co_await lookup;
    co_return results;
}

QList<SearchResult> narrowedToPictured(QList<SearchResult> results)
{
    QList<SearchResult> pictured;
    for (const SearchResult& result : results) {
        if (result.imageUrl && !result.imageUrl->trimmed().isEmpty())
            pictured.append(result);
    }
    if (!pictured.isEmpty())
        results = std::move(pictured);
    if (results.size() > WebSearchService::maximumReturnedResults)
        results.resize(WebSearchService::maximumReturnedResults);
    return results;
}

// The first of the leading results that is a recipe moves to the front with its lists.
QCoro::Task<QList<SearchResult>> withRecipeFirst(QList<SearchResult> results,
                                                 PublicWeb::TrustedOrigin trusted)
{
    const qsizetype candidates = std::min(results.size(), WebSearchService::recipeCandidates);
    std::array<std::optional<RecipeData>, WebSearchService::recipeCandidates> recipes;
    std::vector<QCoro::Task<>> lookups;
    for (qsizetype index = 0; index < candidates; ++index) {
        lookups.push_back(fetchRecipe(results[index].url, trusted)
                              .then([&recipes, index](std::optional<RecipeData> recipe) {
                                  recipes[static_cast<size_t>(index)] = std::move(recipe);
                              }));
    }
    for (QCoro::Task<>& lookup : lookups)
        co_await lookup;

    for (qsizetype index = 0; index < candidates; ++index) {
        std::optional<RecipeData>& recipe = recipes[static_cast<size_t>(index)];
        if (!recipe)
            continue;
        SearchResult chosen = results.takeAt(index);
        chosen.recipeIngredients = std::move(recipe->ingredients);
        chosen.recipeInstructions = std::move(recipe->instructions);
        results.prepend(std::move(chosen));
        break;
    }
    co_return results;
}

} // namespace

WebSearchService& WebSearchService::shared()
{
    static WebSearchService service;
    return service;
}

WebSearchService::WebSearchService(PublicWeb::TrustedOrigin alsoTrusted)
    : m_alsoTrusted(std::move(alsoTrusted))
{
}

QCoro::Task<QList<SearchResult>> WebSearchService::search(QString query)
{
    // Read before the first suspension: the service may be gone by the time pages arrive.
    PublicWeb::TrustedOrigin trusted = searchEngineOrigin(m_alsoTrusted);
    const QString trimmed = query.trimmed();
    if (trimmed.isEmpty())
        co_return QList<SearchResult>{};
    const std::optional<QUrl> address = resultsPageAddress(trimmed);
    if (!address)
        co_return QList<SearchResult>{};
    // Read now, with the page address, so one search uses one configuration throughout.
    const QUrl iconBase = Configuration::searchIconUrl();

    const HttpFetchResult page =
        co_await fetchHttp(pageRequest(*address, resultsPageTimeout, maximumResultsPageBytes));
    if (!page.succeeded()) {
        qCDebug(lcWebSearch) << "results page not read:" << page.errorDescription;
        co_return QList<SearchResult>{};
    }
    const std::optional<QString> text = decodeUtf8Page(page.body);
    if (!text)
        co_return QList<SearchResult>{};

    QList<SearchResult> results = ResultsPageReader::read(*text, iconBase);
    PublicWeb::TrustedOrigin forImages = trusted;
    results = co_await withPreviewImages(std::move(results), std::move(forImages));
    results = narrowedToPictured(std::move(results));
    co_return co_await withRecipeFirst(std::move(results), std::move(trusted));
}

} // namespace korvane
