// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/HttpFetch.h"
#include "support/LoopbackHttpServer.h"

#include <QTcpServer>
#include <QTest>
#include <qcoro/qcorotask.h>

using namespace korvane;
using namespace korvane::test;
using namespace std::chrono_literals;

class HttpFetchTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void answerArrivesWithStatusBodyAndHeaders();
    void requestCarriesMethodHeadersAndBody();
    void errorStatusIsAnAnswerNotAFailure();
    void failures_data();
    void failures();
    void refusedConnectionIsATransportFailure();
    void credentialsNeverFollowARedirectAway_data();
    void credentialsNeverFollowARedirectAway();
    void credentialsNeverTravelUnencryptedToAnotherComputer();

private:
    static HttpFetchRequest requestFor(const QUrl& url)
    {
        HttpFetchRequest request;
        request.request = QNetworkRequest(url);
        return request;
    }
};

void HttpFetchTest::answerArrivesWithStatusBodyAndHeaders()
{
    LoopbackHttpServer server;
    Response response = Response::json("{\"ok\":true}", 201);
    response.headers.append(qMakePair(QByteArray("X-Trace"), QByteArray("abc")));
    server.setRoute("GET", u"/v1/items"_qs, response);

    const HttpFetchResult result =
        QCoro::waitFor(fetchHttp(requestFor(server.url(u"/v1/items"_qs))));
    QVERIFY(result.succeeded());
    QVERIFY(result.hasSuccessStatus());
    QCOMPARE(result.statusCode, 201);
    QCOMPARE(result.body, QByteArray("{\"ok\":true}"));
    QVERIFY(result.headers.contains(QPair<QByteArray, QByteArray>("X-Trace", "abc")));
}

void HttpFetchTest::requestCarriesMethodHeadersAndBody()
{
    LoopbackHttpServer server;
    server.setRoute("POST", u"/echo"_qs, Response::text("done"));
    HttpFetchRequest request = requestFor(server.url(u"/echo?x=1"_qs));
    request.method = "POST";
    request.body = "{\"a\":1}";
    request.request.setRawHeader("Content-Type", "application/json");

    const HttpFetchResult result = QCoro::waitFor(fetchHttp(request));
    QCOMPARE(result.statusCode, 200);
    const std::optional<RecordedRequest> recorded = server.lastRequest();
    QVERIFY(recorded);
    QCOMPARE(recorded->method, QByteArray("POST"));
    QCOMPARE(recorded->path, u"/echo"_qs);
    QCOMPARE(recorded->query, u"x=1"_qs);
    QCOMPARE(recorded->header("content-type"), QByteArray("application/json"));
    QCOMPARE(recorded->body, QByteArray("{\"a\":1}"));
}

void HttpFetchTest::errorStatusIsAnAnswerNotAFailure()
{
    LoopbackHttpServer server;
    server.setRoute("GET", u"/broken"_qs, Response::withStatus(500, "oops"));
    const HttpFetchResult result = QCoro::waitFor(fetchHttp(requestFor(server.url(u"/broken"_qs))));
    QVERIFY(result.succeeded());
    QVERIFY(!result.hasSuccessStatus());
    QCOMPARE(result.statusCode, 500);
    QCOMPARE(result.body, QByteArray("oops"));
}

void HttpFetchTest::failures_data()
{
    QTest::addColumn<Response>("response");
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<qint64>("cap");
    QTest::addColumn<int>("expected");

    Response slow = Response::text("late");
    slow.delay = 2s;
    QTest::newRow("answer after the deadline")
        << slow << 300 << qint64(1024) << static_cast<int>(HttpFetchError::timedOut);

    Response trickle = Response::text(QByteArray(64, 'a'));
    trickle.pieceBytes = 1;
    trickle.pieceInterval = 50ms;
    QTest::newRow("deadline covers the whole body, not only its start")
        << trickle << 400 << qint64(1024) << static_cast<int>(HttpFetchError::timedOut);

    Response large = Response::text("0123456789");
    large.generatedBodyBytes = 3 * 1024 * 1024;
    QTest::newRow("body over the cap")
        << large << 30'000 << qint64(1024 * 1024) << static_cast<int>(HttpFetchError::bodyTooLarge);

    Response endless = Response::text("endless ");
    endless.endlessBody = true;
    QTest::newRow("endless body stops at the cap")
        << endless << 30'000 << qint64(256 * 1024)
        << static_cast<int>(HttpFetchError::bodyTooLarge);

    Response truncated = Response::text(QByteArray(4096, 'b'));
    truncated.closeAfterBodyBytes = 100;
    QTest::newRow("answer cut off mid-body") << truncated << 30'000 << qint64(1024 * 1024)
                                             << static_cast<int>(HttpFetchError::transport);

    QTest::newRow("connection closed without an answer")
        << Response::closeWithoutAnswer() << 30'000 << qint64(1024)
        << static_cast<int>(HttpFetchError::transport);
}

void HttpFetchTest::failures()
{
    QFETCH(Response, response);
    QFETCH(int, timeoutMs);
    QFETCH(qint64, cap);
    QFETCH(int, expected);

    LoopbackHttpServer server;
    server.setRoute("GET", u"/page"_qs, response);
    HttpFetchRequest request = requestFor(server.url(u"/page"_qs));
    request.timeout = std::chrono::milliseconds(timeoutMs);
    request.maximumBodyBytes = cap;

    const HttpFetchResult result = QCoro::waitFor(fetchHttp(request));
    QVERIFY(!result.succeeded());
    QCOMPARE(static_cast<int>(*result.error), expected);
    QVERIFY(!result.errorDescription.isEmpty());
    QVERIFY2(result.body.isEmpty(), "a failed read hands out no partial body");
}

void HttpFetchTest::refusedConnectionIsATransportFailure()
{
    // A port that was free a moment ago: nothing listens there now.
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();

    const HttpFetchResult result = QCoro::waitFor(
        fetchHttp(requestFor(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port)))));
    QCOMPARE(result.error, std::optional<HttpFetchError>(HttpFetchError::transport));
    QVERIFY(!result.errorDescription.isEmpty());
}

void HttpFetchTest::credentialsNeverFollowARedirectAway_data()
{
    QTest::addColumn<bool>("toOtherPort");
    QTest::addColumn<bool>("followed");
    QTest::newRow("redirect to another port") << true << false;
    QTest::newRow("redirect within its origin") << false << true;
}

void HttpFetchTest::credentialsNeverFollowARedirectAway()
{
    QFETCH(bool, toOtherPort);
    QFETCH(bool, followed);
    LoopbackHttpServer service;
    LoopbackHttpServer elsewhere;
    const QUrl target = (toOtherPort ? elsewhere : service).url(u"/landing"_qs);
    Response redirect = Response::withStatus(307);
    redirect.headers.append({"Location", target.toEncoded()});
    service.setRoute("POST", u"/v1/chat/completions"_qs, redirect);
    service.setRoute("POST", u"/landing"_qs, Response::json("{}"));
    elsewhere.setRoute("POST", u"/landing"_qs, Response::json("{}"));

    HttpFetchRequest request = requestFor(service.url(u"/v1/chat/completions"_qs));
    request.method = "POST";
    request.body = "{}";
    request.request.setRawHeader("Authorization", "Bearer sk-test-redirect");
    const HttpFetchResult result = QCoro::waitFor(fetchHttp(request));

    QVERIFY2((result.succeeded() && result.statusCode == 200) == followed,
             qPrintable(result.errorDescription + u' ' + QString::number(result.statusCode)));
    for (const RecordedRequest& received : elsewhere.requests())
        QVERIFY2(!received.header("authorization").contains("sk-test-redirect"),
                 "the key reached another origin");
}

void HttpFetchTest::credentialsNeverTravelUnencryptedToAnotherComputer()
{
    // A documentation address: nothing is ever sent there, so nothing can answer.
    HttpFetchRequest request = requestFor(QUrl(u"http://192.0.2.1/v1/chat/completions"_qs));
    request.request.setRawHeader("Authorization", "Bearer sk-test-plain");
    const HttpFetchResult result = QCoro::waitFor(fetchHttp(request));
    QCOMPARE(result.error, std::optional<HttpFetchError>(HttpFetchError::insecureDestination));
    QVERIFY(result.errorDescription.startsWith(u"OPENAI_BASE_URL must start with https://"));
}

QTEST_GUILESS_MAIN(HttpFetchTest)
#include "tst_httpfetch.moc"
