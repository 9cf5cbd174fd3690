// SPDX-License-Identifier: GPL-3.0-or-later
// WebSearchService against a loopback engine whose result pages live on the same server.
#include "search/WebSearchService.h"
#include "support/LoopbackHttpServer.h"
#include "support/SearchEnginePages.h"

#include <QTest>
#include <QUrlQuery>
#include <qcoro/qcorotask.h>

using namespace korvane;
using namespace korvane::test;
using namespace std::chrono_literals;

namespace {

const QString enginePath = QStringLiteral("/html/");

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
    void init();
    void requestCarriesTheQueryUnlessBlank();
    void narrowingAndRecipes_data();
    void narrowingAndRecipes();
    void resultsPageFailures_data();
    void resultsPageFailures();
    void overlappingSearchesKeepTheirOwnResults();
    void pagesNeverReachIntoTheLocalNetwork_data();
    void pagesNeverReachIntoTheLocalNetwork();

private:
    void serveResultPages(const QList<ResultPage>& pages);

    std::unique_ptr<LoopbackHttpServer> m_server;
};

// A new engine for every test: a search that kept the host of its first use fails the rest.
void WebSearchServiceTest::init()
{
    m_server = std::make_unique<LoopbackHttpServer>();
    QVERIFY(m_server->isListening());
    qputenv("KORVANE_ENV_FILES", "");
    qputenv("KORVANE_SEARCH_URL", m_server->baseUrl().toString().toUtf8());
    qputenv("KORVANE_SEARCH_ICON_URL", "http://127.0.0.1:9/icons");
}

void WebSearchServiceTest::serveResultPages(const QList<ResultPage>& pages)
{
    for (int index = 0; index < pages.size(); ++index) {
        Response response = Response::text(resultPageHtml(index, pages[index]));
        response.delay = pages[index].delay;
        // The page, og:image and all, over and over: past any cap.
        response.endlessBody = pages[index].oversized;
        m_server->setRoute("GET", resultPath(index), response);
    }
}

void WebSearchServiceTest::requestCarriesTheQueryUnlessBlank()
{
    m_server->setRoute("GET", enginePath, Response::text("<html></html>"));
    QVERIFY(searchNow(QStringLiteral("   \n\t  ")).isEmpty());
    QCOMPARE(m_server->requestCount(), 0);
    // '&', '+' and '=' must arrive inside q, not split it into parameters or turn into spaces.
    QVERIFY(searchNow(QStringLiteral("  AT&T + C++ = crème brûlée?#1 \n")).isEmpty());
    const RecordedRequest request = m_server->lastRequest().value();
    const QUrlQuery query(request.query);
    QCOMPARE(query.queryItems(QUrl::FullyDecoded).size(), 1);
    QCOMPARE(query.queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded),
             QStringLiteral("AT&T + C++ = crème brûlée?#1"));
    QVERIFY(request.header("User-Agent").startsWith("Mozilla/5.0 "));
}

void WebSearchServiceTest::narrowingAndRecipes_data()
{
    QTest::addColumn<QList<ResultPage>>("pages");
    QTest::addColumn<QList<int>>("expectedOrder");
    QTest::addColumn<int>("recipeAt");
    const ResultPage plain;
    const ResultPage pictured{.image = true};
    const ResultPage recipe{.image = true, .recipe = true};
    QTest::newRow("no images: first five in page order")
        << QList<ResultPage>(8, plain) << QList<int>{0, 1, 2, 3, 4} << -1;
    QTest::newRow("images on some: those, in page order")
        << QList<ResultPage>{plain, pictured, plain, pictured, pictured, plain, pictured}
        << QList<int>{1, 3, 4, 6} << -1;
    QTest::newRow("recipes at 1 and 2: 1 moves to the front")
        << QList<ResultPage>{pictured, recipe, recipe, pictured, pictured, pictured}
        << QList<int>{1, 0, 2, 3, 4} << 1;
    QTest::newRow("recipe at 3 is not looked for")
        << QList<ResultPage>{pictured, pictured, pictured, recipe} << QList<int>{0, 1, 2, 3} << -1;
    // Narrowing comes first: the recipe at page index 4 is third once 1 and 3 drop out.
    QTest::newRow("recipes are looked for after narrowing")
        << QList<ResultPage>{pictured, plain, pictured, plain, recipe} << QList<int>{4, 0, 2} << 4;
    QTest::newRow("a page past the 2-second limit gives neither image nor recipe")
        << QList<ResultPage>{{.image = true, .recipe = true, .delay = 2500ms}, pictured, pictured}
        << QList<int>{1, 2} << -1;
    QTest::newRow("a page past the 2 MiB cap gives no image")
        << QList<ResultPage>{pictured, {.image = true, .oversized = true}} << QList<int>{0} << -1;
}

void WebSearchServiceTest::narrowingAndRecipes()
{
    QFETCH(QList<ResultPage>, pages);
    QFETCH(QList<int>, expectedOrder);
    QFETCH(int, recipeAt);
    m_server->setRoute("GET", enginePath,
                       Response::text(resultsPageHtml(*m_server, pages.size(), pages.size())));
    serveResultPages(pages);
    const QList<SearchResult> results = searchNow(QStringLiteral("recipe"));
    QCOMPARE(indicesOf(results), expectedOrder);
    for (const SearchResult& result : results) {
        const int index = indicesOf({result}).first();
        QCOMPARE(result.url, m_server->url(resultPath(index)).toString());
        QCOMPARE(result.faviconUrl,
                 std::optional(u"http://127.0.0.1:9/icons/ip3/127.0.0.1.ico"_qs));
        QCOMPARE(result.imageUrl.has_value(), pages[index].image);
        const std::optional<QStringList> none;
        QCOMPARE(result.recipeIngredients,
                 index == recipeAt ? std::optional(QStringList{u"ingredient %1"_qs.arg(index)})
                                   : none);
        QCOMPARE(result.recipeInstructions,
                 index == recipeAt ? std::optional(QStringList{u"step %1"_qs.arg(index)}) : none);
    }
}

void WebSearchServiceTest::resultsPageFailures_data()
{
    // The engine's status, what follows its page, and how many results come of it.
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("suffix");
    QTest::addColumn<int>("expected");
    // The status is not looked at: an error page that holds results still gives them.
    QTest::newRow("status 503 with results") << 503 << QByteArray() << 3;
    QTest::newRow("not UTF-8") << 200 << QByteArray("\xff\xfe") << 0;
    QTest::newRow("over the 5 MiB cap") << 200 << QByteArray(5 * 1024 * 1024, ' ') << 0;
}

void WebSearchServiceTest::resultsPageFailures()
{
    QFETCH(int, status);
    QFETCH(QByteArray, suffix);
    QFETCH(int, expected);
    m_server->setRoute("GET", enginePath,
                       Response::text(resultsPageHtml(*m_server, 3, 3) + suffix, status));
    serveResultPages(QList<ResultPage>(3, ResultPage{.image = true}));
    QCOMPARE(searchNow(QStringLiteral("q")).size(), expected);
}

void WebSearchServiceTest::overlappingSearchesKeepTheirOwnResults()
{
    LoopbackHttpServer& server = *m_server;
    server.setRoute("GET", enginePath, [&server](const RecordedRequest& request) {
        const QString word = QUrlQuery(request.query).queryItemValue(u"q"_qs);
        Response response = Response::text(resultsPageHtml(server, 2, 2, u' ' + word));
        // The first search's page comes last, so the two are in flight together.
        response.delay = word == u"apples" ? 300ms : 0ms;
        return response;
    });
    serveResultPages({{.image = true, .delay = 200ms}, {.image = true}});
    QCoro::Task<QList<SearchResult>> apples = WebSearchService::shared().search(u"apples"_qs);
    const QList<SearchResult> pears = searchNow(u"pears"_qs);
    for (const auto& [results, word] :
         {std::pair{QCoro::waitFor(apples), u"apples"_qs}, std::pair{pears, u"pears"_qs}}) {
        QCOMPARE(results.size(), 2);
        for (const SearchResult& result : results)
            QVERIFY2(result.title.endsWith(word), qPrintable(result.title));
    }
}

void WebSearchServiceTest::pagesNeverReachIntoTheLocalNetwork_data()
{
    // Where result 0 points ("local": a server of this computer, not the engine's), whether its
    // page redirects there, and the og:image it names ({local}: that server).
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
    const QUrl target = (resultOnLocal ? local : *m_server).url(resultPath(0));
    m_server->setRoute("GET", enginePath, Response::text(resultsPageHtml({target}, 1)));
    Response page =
        Response::text(resultPageHtml(0, {.image = true, .recipe = true},
                                      imageBase.replace("{local}", local.baseUrl().toEncoded())));
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
