// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/HttpFetch.h"
#include "support/LoopbackHttpServer.h"

#include <QTest>
#include <qcoro/qcorotask.h>

using namespace korvane;
using namespace korvane::test;
using namespace std::chrono_literals;

namespace {

HttpFetchRequest requestFor(const QUrl& url, const QByteArray& method = "GET")
{
    HttpFetchRequest request;
    request.request = QNetworkRequest(url);
    request.method = method;
    return request;
}

} // namespace

class HttpFetchTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void failures_data();
    void failures();
    void credentialsNeverFollowARedirectAway_data();
    void credentialsNeverFollowARedirectAway();
    void credentialsNeverTravelUnencryptedToAnotherComputer();
};

void HttpFetchTest::failures_data()
{
    QTest::addColumn<Response>("response");
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<int>("expected");

    Response trickle = Response::text(QByteArray(64, 'a'));
    trickle.byteInterval = 50ms;
    QTest::newRow("deadline covers the whole body, not only its start")
        << trickle << 400 << static_cast<int>(HttpFetchError::timedOut);
    Response endless = Response::text("endless ");
    endless.endlessBody = true;
    QTest::newRow("endless body stops at the cap")
        << endless << 30'000 << static_cast<int>(HttpFetchError::bodyTooLarge);
    Response truncated = Response::text(QByteArray(4096, 'b'));
    truncated.closeAfterBodyBytes = 100;
    QTest::newRow("answer cut off mid-body")
        << truncated << 30'000 << static_cast<int>(HttpFetchError::transport);
}

void HttpFetchTest::failures()
{
    QFETCH(Response, response);
    QFETCH(int, timeoutMs);
    QFETCH(int, expected);
    LoopbackHttpServer server;
    server.setRoute("GET", u"/page"_qs, response);
    HttpFetchRequest request = requestFor(server.url(u"/page"_qs));
    request.timeout = std::chrono::milliseconds(timeoutMs);
    request.maximumBodyBytes = 256 * 1024;

    const HttpFetchResult result = QCoro::waitFor(fetchHttp(request));
    QCOMPARE(result.error, std::optional(static_cast<HttpFetchError>(expected)));
    QVERIFY(!result.errorDescription.isEmpty());
    QVERIFY2(result.body.isEmpty(), "a failed read hands out no partial body");
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

    HttpFetchRequest request = requestFor(service.url(u"/v1/chat/completions"_qs), "POST");
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
    HttpFetchRequest request = requestFor(QUrl(u"http://192.0.2.1/v1/chat/completions"_qs));
    request.request.setRawHeader("Authorization", "Bearer sk-test-plain");
    const HttpFetchResult result = QCoro::waitFor(fetchHttp(request));
    QCOMPARE(result.error, std::optional<HttpFetchError>(HttpFetchError::insecureDestination));
    QVERIFY(result.errorDescription.startsWith(u"OPENAI_BASE_URL must start with https://"));
}

QTEST_GUILESS_MAIN(HttpFetchTest)
#include "tst_httpfetch.moc"
