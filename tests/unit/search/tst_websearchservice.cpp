// SPDX-License-Identifier: GPL-3.0-or-later
// WebSearchService against a loopback engine: the request, narrowing, recipes, time limits,
// caps and overlapping searches. Result pages live on the same server.
#include "search/WebSearchService.h"
#include "support/LoopbackHttpServer.h"
#include "support/SearchEnginePages.h"

#include <QTest>
#include <QUrlQuery>
#include <qcoro/qcorotask.h>

#include <chrono>

using namespace korvane;
using namespace korvane::test;
using namespace std::chrono_literals;

namespace {

const QByteArray expectedUserAgent =
    "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/120.0.0.0 Safari/537.36";

QList<int> indicesOf(const QList<SearchResult>& results)
{
    QList<int> indices;
    for (const SearchResult& result : results)
        indices.append(QUrl(result.url).path().section(u'/', -1).toInt());
    return indices;
}

QList<SearchResult> searchNow(const QString& query)
{
    return QCoro::waitFor(WebSearchService::shared().search(query));
}

} // namespace

class WebSearchServiceTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void requestCarriesQueryAndUserAgentUnlessBlank();
    void resultsAreReadCleanedAndGivenIcons();
    void narrowingAndRecipes_data();
    void narrowingAndRecipes();
    void slowResultPageLeavesFieldsAbsent();
    void resultsPageFailuresGiveNoResults_data();
    void resultsPageFailuresGiveNoResults();
    void oversizedResultPageGivesNoImage();
    void overlappingSearchesKeepTheirOwnResults();
    void pagesNeverReachIntoTheLocalNetwork_data();
    void pagesNeverReachIntoTheLocalNetwork();

private:
    void serveResultPages(const QList<ResultPage>& pages);

    std::unique_ptr<LoopbackHttpServer> m_server;
};

void WebSearchServiceTest::initTestCase()
{
    // No developer's .env.local may point the search somewhere else.
    qputenv("KORVANE_ENV_FILES", "");
}

// A new engine for every test: a search that kept the host of its first use fails the rest.
void WebSearchServiceTest::init()
{
    m_server = std::make_unique<LoopbackHttpServer>();
    QVERIFY(m_server->isListening());
    qputenv("KORVANE_SEARCH_URL", m_server->baseUrl().toString().toUtf8());
    qputenv("KORVANE_SEARCH_ICON_URL", "http://127.0.0.1:9/icons");
}

void WebSearchServiceTest::serveResultPages(const QList<ResultPage>& pages)
{
    for (int index = 0; index < pages.size(); ++index) {
        Response response = Response::text(resultPageHtml(index, pages[index]));
        response.delay = pages[index].delay;
        m_server->setRoute("GET", resultPath(index), response);
    }
}

void WebSearchServiceTest::requestCarriesQueryAndUserAgentUnlessBlank()
{
    m_server->setRoute("GET", QStringLiteral("/html/"), Response::text("<html></html>"));
    QVERIFY(searchNow(QStringLiteral("   \n\t  ")).isEmpty());
    QCOMPARE(m_server->requestCount(), 0);
    // '&', '+' and '=' must arrive inside q, not split it into parameters or turn into spaces.
    QVERIFY(searchNow(QStringLiteral("  AT&T + C++ = crème brûlée?#1 \n")).isEmpty());
    const std::optional<RecordedRequest> request = m_server->lastRequest();
    QVERIFY(request);
    QCOMPARE(request->path, QStringLiteral("/html/"));
    const QUrlQuery query = request->queryItems();
    QCOMPARE(query.queryItems(QUrl::FullyDecoded).size(), 1);
    QCOMPARE(query.queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded),
             QStringLiteral("AT&T + C++ = crème brûlée?#1"));
    QCOMPARE(request->header("User-Agent"), expectedUserAgent);
}

void WebSearchServiceTest::resultsAreReadCleanedAndGivenIcons()
{
    m_server->setRoute("GET", QStringLiteral("/html/"),
                       Response::text(resultsPageHtml(*m_server, 12, 9)));
    serveResultPages(QList<ResultPage>(12, ResultPage{true, false}));
    const QList<SearchResult> results = searchNow(QStringLiteral("cake"));
    QCOMPARE(indicesOf(results), (QList<int>{0, 1, 2, 3, 4}));
    const SearchResult& first = results.first();
    // Redirect unwrapped, tags stripped, entities decoded, icon from the target's host.
    QCOMPARE(first.url, m_server->url(resultPath(0)).toString());
    QCOMPARE(first.title, QStringLiteral("Result 0"));
    QCOMPARE(first.snippet, QStringLiteral("About & result 0"));
    QCOMPARE(first.faviconUrl,
             std::optional(QStringLiteral("http://127.0.0.1:9/icons/ip3/127.0.0.1.ico")));
    QCOMPARE(first.imageUrl, std::optional(QStringLiteral("https://img.test/0.jpg")));
    QVERIFY(!first.recipeIngredients && !first.recipeInstructions);
    // 12 titles and 9 snippets pair to 9 results: only those nine pages are opened.
    for (int index = 0; index < 12; ++index)
        QCOMPARE(m_server->requests("GET", resultPath(index)).isEmpty(), index >= 9);
}

void WebSearchServiceTest::narrowingAndRecipes_data()
{
    QTest::addColumn<QList<ResultPage>>("pages");
    QTest::addColumn<QList<int>>("expectedOrder");
    QTest::addColumn<int>("recipeAt");
    const ResultPage plain{false, false};
    const ResultPage pictured{true, false};
    const ResultPage recipe{true, true};
    QTest::newRow("no images: first five in page order")
        << QList<ResultPage>(8, plain) << QList<int>{0, 1, 2, 3, 4} << -1;
    QTest::newRow("only the third has an image")
        << QList<ResultPage>{plain, plain, pictured, plain, plain, plain} << QList<int>{2} << -1;
    QTest::newRow("images on some: those, in page order")
        << QList<ResultPage>{plain, pictured, plain, pictured, pictured, plain, pictured}
        << QList<int>{1, 3, 4, 6} << -1;
    QTest::newRow("recipes at 1 and 2: 1 moves to the front")
        << QList<ResultPage>{pictured, recipe, recipe, pictured, pictured, pictured}
        << QList<int>{1, 0, 2, 3, 4} << 1;
    QTest::newRow("recipe at 2 moves to the front")
        << QList<ResultPage>{pictured, pictured, recipe, pictured} << QList<int>{2, 0, 1, 3} << 2;
    QTest::newRow("recipe at 3 is not looked for")
        << QList<ResultPage>{pictured, pictured, pictured, recipe} << QList<int>{0, 1, 2, 3} << -1;
    // Narrowing comes first: the recipe at page index 4 is third once 1 and 3 drop out.
    QTest::newRow("recipes are looked for after narrowing")
        << QList<ResultPage>{pictured, plain, pictured, plain, recipe} << QList<int>{4, 0, 2} << 4;
}

void WebSearchServiceTest::narrowingAndRecipes()
{
    QFETCH(QList<ResultPage>, pages);
    QFETCH(QList<int>, expectedOrder);
    QFETCH(int, recipeAt);
    m_server->setRoute("GET", QStringLiteral("/html/"),
                       Response::text(resultsPageHtml(*m_server, pages.size(), pages.size())));
    serveResultPages(pages);
    const QList<SearchResult> results = searchNow(QStringLiteral("recipe"));
    QCOMPARE(indicesOf(results), expectedOrder);
    for (const SearchResult& result : results) {
        const int index = indicesOf({result}).first();
        const bool hasRecipe = index == recipeAt;
        QCOMPARE(result.recipeIngredients.has_value(), hasRecipe);
        QCOMPARE(result.recipeInstructions.has_value(), hasRecipe);
        if (hasRecipe) {
            QCOMPARE(*result.recipeIngredients,
                     QStringList{QStringLiteral("ingredient %1").arg(index)});
            QCOMPARE(*result.recipeInstructions, QStringList{QStringLiteral("step %1").arg(index)});
        }
    }
}

void WebSearchServiceTest::slowResultPageLeavesFieldsAbsent()
{
    m_server->setRoute("GET", QStringLiteral("/html/"),
                       Response::text(resultsPageHtml(*m_server, 3, 3)));
    // Result 0 would have both an image and a recipe, but answers after the 2-second limit.
    serveResultPages(
        {ResultPage{true, true, 2500ms}, ResultPage{true, false}, ResultPage{true, false}});
    const QList<SearchResult> results = searchNow(QStringLiteral("slow"));
    QCOMPARE(indicesOf(results), (QList<int>{1, 2}));
    QVERIFY(!results.first().recipeIngredients);
}

void WebSearchServiceTest::resultsPageFailuresGiveNoResults_data()
{
    QTest::addColumn<bool>("answers");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("suffix");
    QTest::addColumn<qint64>("padding");
    QTest::addColumn<int>("expected");
    // The status is not looked at: an error page that holds results still gives them.
    QTest::newRow("status 503 with results") << true << 503 << QByteArray() << qint64(0) << 3;
    QTest::newRow("not UTF-8") << true << 200 << QByteArray("\xff\xfe") << qint64(0) << 0;
    QTest::newRow("just under the 5 MiB cap")
        << true << 200 << QByteArray() << qint64(5 * 1024 * 1024 - 4096) << 3;
    QTest::newRow("over the 5 MiB cap")
        << true << 200 << QByteArray() << qint64(5 * 1024 * 1024) << 0;
    QTest::newRow("connection closed without answer")
        << false << 200 << QByteArray() << qint64(0) << 0;
}

void WebSearchServiceTest::resultsPageFailuresGiveNoResults()
{
    QFETCH(bool, answers);
    QFETCH(int, status);
    QFETCH(QByteArray, suffix);
    QFETCH(qint64, padding);
    QFETCH(int, expected);
    QByteArray page = resultsPageHtml(*m_server, 3, 3) + suffix;
    page += QByteArray(padding, ' ');
    m_server->setRoute("GET", QStringLiteral("/html/"),
                       answers ? Response::text(page, status) : Response::closeWithoutAnswer());
    serveResultPages(QList<ResultPage>(3, ResultPage{true, false}));
    QCOMPARE(searchNow(QStringLiteral("q")).size(), expected);
}

void WebSearchServiceTest::oversizedResultPageGivesNoImage()
{
    m_server->setRoute("GET", QStringLiteral("/html/"),
                       Response::text(resultsPageHtml(*m_server, 2, 2)));
    serveResultPages({ResultPage{true, false}, ResultPage{true, false}});
    // Result 1's page holds an og:image at its start but runs past the 2 MiB cap.
    Response huge = Response::text(resultPageHtml(1, ResultPage{true, false}) + ' ');
    huge.generatedBodyBytes = 3 * 1024 * 1024;
    m_server->setRoute("GET", resultPath(1), huge);
    const QList<SearchResult> results = searchNow(QStringLiteral("big"));
    QCOMPARE(indicesOf(results), QList<int>{0});
}

void WebSearchServiceTest::overlappingSearchesKeepTheirOwnResults()
{
    const QByteArray apples = resultsPageHtml(*m_server, 4, 4, QStringLiteral(" apples"));
    const QByteArray pears = resultsPageHtml(*m_server, 4, 4, QStringLiteral(" pears"));
    m_server->setRoute(
        "GET", QStringLiteral("/html/"), [apples, pears](const RecordedRequest& request) {
            const bool isApples =
                request.queryItems().queryItemValue(QStringLiteral("q")) == u"apples";
            Response response = Response::text(isApples ? apples : pears);
            // The first search's page comes last, so the two are in flight together.
            response.delay = isApples ? 300ms : 0ms;
            return response;
        });
    serveResultPages({ResultPage{true, true, 200ms}, ResultPage{true, false, 100ms},
                      ResultPage{false, false}, ResultPage{true, false}});
    QCoro::Task<QList<SearchResult>> first =
        WebSearchService::shared().search(QStringLiteral("apples"));
    QCoro::Task<QList<SearchResult>> second =
        WebSearchService::shared().search(QStringLiteral("pears"));
    const QList<SearchResult> pearResults = QCoro::waitFor(second);
    const QList<SearchResult> appleResults = QCoro::waitFor(first);
    for (const auto& [results, word] : {std::pair{appleResults, QStringLiteral("apples")},
                                        std::pair{pearResults, QStringLiteral("pears")}}) {
        QCOMPARE(indicesOf(results), (QList<int>{0, 1, 3}));
        for (const SearchResult& result : results)
            QVERIFY2(result.title.endsWith(word), qPrintable(result.title));
        QVERIFY(results.first().recipeIngredients);
    }
}

void WebSearchServiceTest::pagesNeverReachIntoTheLocalNetwork_data()
{
    // Where result 0 points ("local": a server of this computer that is not the engine), whether
    // the engine's page for it redirects there, and the og:image it names ({local} is that
    // server).
    QTest::addColumn<bool>("resultOnLocal");
    QTest::addColumn<bool>("redirectToLocal");
    QTest::addColumn<QByteArray>("imageBase");
    QTest::addColumn<bool>("imageShown");
    QTest::newRow("a result on a local address") << true << false << QByteArray() << false;
    QTest::newRow("a result redirecting to a local address")
        << false << true << QByteArray() << false;
    QTest::newRow("a preview image that is a file")
        << false << false << QByteArray("file:///etc/passwd#") << false;
    QTest::newRow("a preview image on a local address")
        << false << false << QByteArray("{local}/img/") << false;
    QTest::newRow("a preview image of a name that does not exist")
        << false << false << QByteArray("https://img.test/") << true;
}

void WebSearchServiceTest::pagesNeverReachIntoTheLocalNetwork()
{
    QFETCH(bool, resultOnLocal);
    QFETCH(bool, redirectToLocal);
    QFETCH(QByteArray, imageBase);
    QFETCH(bool, imageShown);
    LoopbackHttpServer local;
    local.setFallback([](const RecordedRequest&) { return Response::text("private"); });
    const QUrl target = (resultOnLocal ? local : *m_server).url(resultPath(0));
    m_server->setRoute("GET", QStringLiteral("/html/"),
                       Response::text(resultsPageHtml({target}, 1)));
    Response page = Response::text(
        resultPageHtml(0, {true, true}, imageBase.replace("{local}", local.baseUrl().toEncoded())));
    if (redirectToLocal) {
        page = Response::withStatus(302);
        page.headers.append({"Location", local.url(resultPath(0)).toEncoded()});
    }
    m_server->setRoute("GET", resultPath(0), page);

    const QList<SearchResult> results = searchNow(QStringLiteral("router"));
    QCOMPARE(results.size(), 1);
    QCOMPARE(results.first().imageUrl.has_value(), imageShown);
    QCOMPARE(local.requestCount(), 0);
}

QTEST_GUILESS_MAIN(WebSearchServiceTest)
#include "tst_websearchservice.moc"
