#include "support/LoopbackHttpServer.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <memory>

using namespace korvane::test;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(korvane::test::Response)

namespace {

struct Fetched {
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    int status = 0;
    QByteArray body{};
    QNetworkReply* reply = nullptr;
};

// One request through QNetworkAccessManager, waited for with the caller's event loop.
Fetched fetch(QNetworkAccessManager& manager, const QByteArray& method, const QUrl& url,
              const QByteArray& body = {}, const HeaderList& headers = {})
{
    QNetworkRequest request(url);
    for (const auto& [name, value] : headers) {
        request.setRawHeader(name, value);
    }
    std::unique_ptr<QNetworkReply> reply(manager.sendCustomRequest(request, method, body));
    if (!QTest::qWaitFor([&] { return reply->isFinished(); }, 10'000)) {
        return {.error = QNetworkReply::TimeoutError};
    }
    return {.error = reply->error(),
            .status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
            .body = reply->readAll()};
}

// A raw exchange on a blocking socket: this thread runs no event loop meanwhile, so only a
// server on its own thread can answer.
QByteArray exchangeBlocking(quint16 port, const QByteArray& bytes)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000)) {
        return "not connected";
    }
    socket.write(bytes);
    socket.waitForBytesWritten(5000);
    QByteArray received;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(5000)) {
        received += socket.readAll();
    }
    received += socket.readAll();
    return received;
}

QByteArray repeated(const QByteArray& pattern, qsizetype size)
{
    QByteArray bytes;
    while (bytes.size() < size) {
        bytes += pattern;
    }
    bytes.truncate(size);
    return bytes;
}

} // namespace

class LoopbackHttpServerTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void listensOnLoopback();
    void routes_data();
    void routes();
    void recordsEverythingOfARequest();
    void handlerAnswersFromTheRequest();
    void fallbackReplacesTheDefault404();
    void delayedRouteDoesNotHoldUpOthers();
    void keepAliveReusesTheConnection();
    void bodiesArriveWhole_data();
    void bodiesArriveWhole();
    void endlessBodyStopsWhenTheClientCloses();
    void closingWithoutAnswerIsAnError_data();
    void closingWithoutAnswerIsAnError();
    void rawExchanges_data();
    void rawExchanges();
    void continuesBeforeAnAnnouncedBody();
    void waitForRequestsTimesOut();
    void destructionWithAClientStillConnected();
};

void LoopbackHttpServerTest::listensOnLoopback()
{
    LoopbackHttpServer server;
    QVERIFY(server.isListening());
    QVERIFY(server.port() != 0);
    QCOMPARE(server.baseUrl().toString(),
             QStringLiteral("http://127.0.0.1:") + QString::number(server.port()));
    QCOMPARE(server.url(QStringLiteral("/a/b?c=d")).path(), QStringLiteral("/a/b"));
    QCOMPARE(server.url(QStringLiteral("/a/b?c=d")).query(), QStringLiteral("c=d"));

    LoopbackHttpServer other;
    QVERIFY(other.port() != server.port());
}

void LoopbackHttpServerTest::routes_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("GET route") << QByteArray("GET") << u"/items"_qs << 200 << QByteArray("list");
    QTest::newRow("query is not part of the path")
        << QByteArray("GET") << u"/items?page=2&q=a%20b"_qs << 200 << QByteArray("list");
    QTest::newRow("same path, other method")
        << QByteArray("POST") << u"/items"_qs << 201 << QByteArray("created");
    QTest::newRow("method without route") << QByteArray("DELETE") << u"/items"_qs << 404
                                          << QByteArray("no route for DELETE /items\n");
    QTest::newRow("any-method route") << QByteArray("PATCH") << u"/any"_qs << 202 << QByteArray();
    QTest::newRow("method route beats any-method route")
        << QByteArray("GET") << u"/any"_qs << 200 << QByteArray("specific");
    QTest::newRow("unknown path") << QByteArray("GET") << u"/nothing"_qs << 404
                                  << QByteArray("no route for GET /nothing\n");
    QTest::newRow("path prefix is not a match")
        << QByteArray("GET") << u"/items/1"_qs << 404 << QByteArray("no route for GET /items/1\n");
    QTest::newRow("replaced route")
        << QByteArray("GET") << u"/replaced"_qs << 200 << QByteArray("second");
    QTest::newRow("removed route")
        << QByteArray("GET") << u"/removed"_qs << 404 << QByteArray("no route for GET /removed\n");
    QTest::newRow("error status with body")
        << QByteArray("GET") << u"/broken"_qs << 500 << QByteArray("{\"error\":\"boom\"}");
}

void LoopbackHttpServerTest::routes()
{
    QFETCH(QByteArray, method);
    QFETCH(QString, target);
    QFETCH(int, status);
    QFETCH(QByteArray, body);

    LoopbackHttpServer server;
    server.setRoute("GET", u"/items"_qs, Response::text("list"));
    server.setRoute("POST", u"/items"_qs, Response::text("created", 201));
    server.setRoute({}, u"/any"_qs, Response::withStatus(202));
    server.setRoute("GET", u"/any"_qs, Response::text("specific"));
    server.setRoute("GET", u"/replaced"_qs, Response::text("first"));
    server.setRoute("GET", u"/replaced"_qs, Response::text("second"));
    server.setRoute("GET", u"/removed"_qs, Response::text("gone"));
    server.removeRoute("GET", u"/removed"_qs);
    server.setRoute("GET", u"/broken"_qs, Response::json("{\"error\":\"boom\"}", 500));

    QNetworkAccessManager manager;
    const Fetched fetched = fetch(manager, method, server.url(target));
    QCOMPARE(fetched.status, status);
    QCOMPARE(fetched.body, body);
    QCOMPARE(server.requestCount(), 1);
}

void LoopbackHttpServerTest::recordsEverythingOfARequest()
{
    LoopbackHttpServer server;
    server.setRoute("POST", u"/v1/chat"_qs, Response::json("{}"));
    QNetworkAccessManager manager;

    const QByteArray body = "{\"input\":\"h\xc3\xa9llo\"}";
    const Fetched fetched = fetch(manager, "POST", server.url(u"/v1/chat?model=m%201&x="_qs), body,
                                  {{"Authorization", "Bearer test-token"},
                                   {"Content-Type", "application/json"},
                                   {"X-Trace", "one"}});
    QCOMPARE(fetched.status, 200);

    const std::optional<RecordedRequest> request = server.lastRequest();
    QVERIFY(request);
    QCOMPARE(request->method, QByteArray("POST"));
    QCOMPARE(request->path, u"/v1/chat"_qs);
    QCOMPARE(request->query, u"model=m%201&x="_qs);
    QCOMPARE(request->target, QByteArray("/v1/chat?model=m%201&x="));
    QCOMPARE(request->queryItems().queryItemValue(u"model"_qs, QUrl::FullyDecoded), u"m 1"_qs);
    QCOMPARE(request->body, body);
    QCOMPARE(request->header("authorization"), QByteArray("Bearer test-token"));
    QCOMPARE(request->header("CONTENT-TYPE"), QByteArray("application/json"));
    QCOMPARE(request->header("Content-Length"), QByteArray::number(body.size()));
    QCOMPARE(request->headerValues("x-trace"), QList<QByteArray>{"one"});
    QVERIFY(request->hasHeader("Host"));
    QVERIFY(!request->hasHeader("X-Absent"));
    QCOMPARE(request->header("X-Absent"), QByteArray());
    QCOMPARE(server.requests("POST", u"/v1/chat"_qs).size(), 1);
    QCOMPARE(server.requests("GET", u"/v1/chat"_qs).size(), 0);

    server.clearRequests();
    QCOMPARE(server.requestCount(), 0);
    QVERIFY(!server.lastRequest());
}

void LoopbackHttpServerTest::handlerAnswersFromTheRequest()
{
    LoopbackHttpServer server;
    server.setRoute("POST", u"/echo"_qs, [](const RecordedRequest& request) {
        Response response = Response::text(request.body + '|' + request.query.toUtf8(), 207);
        response.headers.append({"X-Method", request.method});
        return response;
    });
    QNetworkAccessManager manager;

    QNetworkRequest request(server.url(u"/echo?n=1"_qs));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("text/plain"));
    std::unique_ptr<QNetworkReply> reply(manager.post(request, QByteArray("ping")));
    QVERIFY(QTest::qWaitFor([&] { return reply->isFinished(); }, 10'000));
    QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 207);
    QCOMPARE(reply->rawHeader("X-Method"), QByteArray("POST"));
    QCOMPARE(reply->readAll(), QByteArray("ping|n=1"));
}

void LoopbackHttpServerTest::fallbackReplacesTheDefault404()
{
    LoopbackHttpServer server;
    server.setFallback(
        [](const RecordedRequest& request) { return Response::text(request.path.toUtf8(), 418); });
    QNetworkAccessManager manager;
    Fetched fetched = fetch(manager, "GET", server.url(u"/whatever"_qs));
    QCOMPARE(fetched.status, 418);
    QCOMPARE(fetched.body, QByteArray("/whatever"));

    server.clearRoutes();
    fetched = fetch(manager, "GET", server.url(u"/whatever"_qs));
    QCOMPARE(fetched.status, 404);
}

void LoopbackHttpServerTest::delayedRouteDoesNotHoldUpOthers()
{
    LoopbackHttpServer server;
    server.setRoute("GET", u"/slow"_qs, Response{.body = "slow", .delay = 1500ms});
    server.setRoute("GET", u"/fast"_qs, Response::text("fast"));
    QNetworkAccessManager manager;

    // Slow ones first, so a server that answers in arrival order would finish them first.
    QList<QByteArray> finished;
    std::vector<std::unique_ptr<QNetworkReply>> replies;
    for (int i = 0; i < 12; ++i) {
        const bool slow = i < 5;
        QNetworkReply* reply =
            manager.get(QNetworkRequest(server.url(slow ? u"/slow"_qs : u"/fast"_qs)));
        connect(reply, &QNetworkReply::finished, this,
                [&finished, reply] { finished.append(reply->readAll()); });
        replies.emplace_back(reply);
    }
    QVERIFY(QTest::qWaitFor([&] { return finished.size() == 12; }, 20'000));

    const QList<QByteArray> expected = QList<QByteArray>(7, "fast") + QList<QByteArray>(5, "slow");
    QCOMPARE(finished, expected);
    QCOMPARE(server.requestCount(), 12);
}

void LoopbackHttpServerTest::keepAliveReusesTheConnection()
{
    LoopbackHttpServer server;
    server.setRoute("GET", u"/a"_qs, Response::text("a"));
    server.setRoute("GET", u"/b"_qs, Response{.body = "b", .framing = BodyFraming::chunked});
    QNetworkAccessManager manager;
    QCOMPARE(fetch(manager, "GET", server.url(u"/a"_qs)).body, QByteArray("a"));
    QCOMPARE(fetch(manager, "GET", server.url(u"/b"_qs)).body, QByteArray("b"));
    QCOMPARE(fetch(manager, "GET", server.url(u"/a"_qs)).body, QByteArray("a"));

    const QList<RecordedRequest> requests = server.requests();
    QCOMPARE(requests.size(), 3);
    QCOMPARE(server.connectionCount(), 1);
    QCOMPARE(requests[0].connection, requests[2].connection);

    server.closeAllConnections();
    QVERIFY(server.waitForOpenConnections(0));
    QCOMPARE(fetch(manager, "GET", server.url(u"/a"_qs)).body, QByteArray("a"));
    QCOMPARE(server.connectionCount(), 2);
}

void LoopbackHttpServerTest::bodiesArriveWhole_data()
{
    QTest::addColumn<Response>("response");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QByteArray>("transferEncoding");

    const QByteArray text = "The quick brown fox jumps over the lazy dog.";
    QTest::newRow("content length") << Response{.body = text} << text << QByteArray();
    QTest::newRow("empty body") << Response{} << QByteArray() << QByteArray();
    QTest::newRow("chunked in one piece")
        << Response{.body = text, .framing = BodyFraming::chunked} << text << QByteArray("chunked");
    QTest::newRow("chunked in small pieces")
        << Response{.body = text, .framing = BodyFraming::chunked, .pieceBytes = 5} << text
        << QByteArray("chunked");
    QTest::newRow("slow, content length")
        << Response{.body = text, .pieceBytes = 7, .pieceInterval = 20ms} << text << QByteArray();
    QTest::newRow("slow, chunked") << Response{.body = text,
                                               .framing = BodyFraming::chunked,
                                               .pieceBytes = 9,
                                               .pieceInterval = 15ms}
                                   << text << QByteArray("chunked");
    QTest::newRow("until close") << Response{.body = text, .framing = BodyFraming::untilClose}
                                 << text << QByteArray();
    QTest::newRow("generated 3 MiB")
        << Response{.body = "abc", .generatedBodyBytes = 3 * 1024 * 1024}
        << repeated("abc", 3 * 1024 * 1024) << QByteArray();
    QTest::newRow("generated, chunked, default pattern")
        << Response{.generatedBodyBytes = 200'001, .framing = BodyFraming::chunked}
        << repeated("x", 200'001) << QByteArray("chunked");
    QTest::newRow("given pieces, chunked")
        << Response{.framing = BodyFraming::chunked,
                    .pieceInterval = 10ms,
                    .bodyPieces = {"data: one\n\n", "data: two\n\n", "data: [DONE]\n\n"}}
        << QByteArray("data: one\n\ndata: two\n\ndata: [DONE]\n\n") << QByteArray("chunked");
    QTest::newRow("generated in slow pieces") << Response{.body = "0123456789",
                                                          .generatedBodyBytes = 95,
                                                          .pieceBytes = 30,
                                                          .pieceInterval = 10ms}
                                              << repeated("0123456789", 95) << QByteArray();
}

void LoopbackHttpServerTest::bodiesArriveWhole()
{
    QFETCH(Response, response);
    QFETCH(QByteArray, expected);
    QFETCH(QByteArray, transferEncoding);

    LoopbackHttpServer server;
    server.setRoute("GET", u"/body"_qs, response);
    QNetworkAccessManager manager;
    std::unique_ptr<QNetworkReply> reply(manager.get(QNetworkRequest(server.url(u"/body"_qs))));
    QVERIFY(QTest::qWaitFor([&] { return reply->isFinished(); }, 20'000));
    QCOMPARE(reply->error(), QNetworkReply::NoError);
    const QByteArray body = reply->readAll();
    QCOMPARE(body.size(), expected.size());
    QVERIFY(body == expected);
    QCOMPARE(reply->rawHeader("Transfer-Encoding"), transferEncoding);
}

void LoopbackHttpServerTest::endlessBodyStopsWhenTheClientCloses()
{
    LoopbackHttpServer server;
    server.setRoute("GET", u"/endless"_qs,
                    Response{.body = "0123456789abcdef", .endlessBody = true});
    server.setRoute("GET", u"/after"_qs, Response::text("still here"));
    QNetworkAccessManager manager;

    std::unique_ptr<QNetworkReply> reply(manager.get(QNetworkRequest(server.url(u"/endless"_qs))));
    QByteArray head;
    qint64 received = 0;
    connect(reply.get(), &QNetworkReply::readyRead, this, [&] {
        const QByteArray piece = reply->readAll();
        if (head.size() < 32) {
            head += piece.left(32 - head.size());
        }
        received += piece.size();
    });
    // Far more than any canned body: only a generated stream gets there.
    QVERIFY(QTest::qWaitFor([&] { return received > 8 * 1024 * 1024; }, 20'000));
    QVERIFY(!reply->isFinished());
    QCOMPARE(head, QByteArray("0123456789abcdef0123456789abcdef"));
    reply->abort();
    QVERIFY(server.waitForOpenConnections(0));

    QCOMPARE(fetch(manager, "GET", server.url(u"/after"_qs)).body, QByteArray("still here"));
}

void LoopbackHttpServerTest::closingWithoutAnswerIsAnError_data()
{
    QTest::addColumn<Response>("response");

    QTest::newRow("close without answer") << Response::closeWithoutAnswer();
    QTest::newRow("close without answer, delayed")
        << Response{.delay = 50ms, .action = ResponseAction::closeWithoutAnswer};
    QTest::newRow("body cut short")
        << Response{.body = QByteArray(1000, 'z'), .closeAfterBodyBytes = 100};
}

void LoopbackHttpServerTest::closingWithoutAnswerIsAnError()
{
    QFETCH(Response, response);

    LoopbackHttpServer server;
    server.setRoute("GET", u"/drop"_qs, response);
    QNetworkAccessManager manager;
    const Fetched fetched = fetch(manager, "GET", server.url(u"/drop"_qs));
    QCOMPARE_NE(fetched.error, QNetworkReply::NoError);
    QCOMPARE_NE(fetched.error, QNetworkReply::TimeoutError);
    QVERIFY(server.requestCount() >= 1);
}

void LoopbackHttpServerTest::rawExchanges_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("chunked request body")
        << QByteArray("POST /echo HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n"
                      "Connection: close\r\n\r\n4\r\nWiki\r\n5;ext=1\r\npedia\r\n0\r\n\r\n")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 9\r\nConnection: close\r\n\r\n"
                      "Wikipedia");
    QTest::newRow("pipelined requests answered in order")
        << QByteArray("POST /echo HTTP/1.1\r\nContent-Length: 3\r\n\r\none"
                      "POST /echo HTTP/1.1\r\nContent-Length: 3\r\nConnection: close\r\n\r\ntwo")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\none"
                      "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nConnection: close\r\n\r\ntwo");
    QTest::newRow("HEAD has a length but no body")
        << QByteArray("HEAD /echo HTTP/1.1\r\nConnection: close\r\n\r\n")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    QTest::newRow("HTTP/1.0 closes by default")
        << QByteArray("POST /echo HTTP/1.0\r\nContent-Length: 2\r\n\r\nhi")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nhi");
    QTest::newRow("no body for 204")
        << QByteArray("GET /empty HTTP/1.1\r\nConnection: close\r\n\r\n")
        << QByteArray("HTTP/1.1 204 No Content\r\nConnection: close\r\n\r\n");
    QTest::newRow("custom reason phrase")
        << QByteArray("GET /teapot HTTP/1.1\r\nConnection: close\r\n\r\n")
        << QByteArray(
               "HTTP/1.1 418 I'm a teapot\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    QTest::newRow("malformed request line")
        << QByteArray("NONSENSE\r\n\r\n")
        << QByteArray("HTTP/1.1 400 Bad Request\r\nContent-Type: text/plain\r\nContent-Length: "
                      "12\r\nConnection: close\r\n\r\nBad Request\n");
    QTest::newRow("header line without colon")
        << QByteArray("GET /echo HTTP/1.1\r\nBroken header\r\n\r\n")
        << QByteArray("HTTP/1.1 400 Bad Request\r\nContent-Type: text/plain\r\nContent-Length: "
                      "12\r\nConnection: close\r\n\r\nBad Request\n");
    QTest::newRow("negative content length")
        << QByteArray("POST /echo HTTP/1.1\r\nContent-Length: -5\r\n\r\n")
        << QByteArray("HTTP/1.1 400 Bad Request\r\nContent-Type: text/plain\r\nContent-Length: "
                      "12\r\nConnection: close\r\n\r\nBad Request\n");
    // Qt's client takes a chunked body cut short for a whole one, so this is checked raw.
    QByteArray cut = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
    for (int i = 0; i < 4; ++i) {
        cut += "40\r\n" + QByteArray(64, 'z') + "\r\n";
    }
    cut += "2c\r\n" + QByteArray(44, 'z') + "\r\n";
    QTest::newRow("chunked body cut short")
        << QByteArray("GET /cut HTTP/1.1\r\nConnection: close\r\n\r\n") << cut;
    QTest::newRow("given pieces are chunks of their own")
        << QByteArray("GET /pieces HTTP/1.1\r\nConnection: close\r\n\r\n")
        << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
                      "2\r\nab\r\n3\r\ncde\r\n0\r\n\r\n");
    QTest::newRow("huge header")
        << (QByteArray("GET /echo HTTP/1.1\r\nX-Big: ") + QByteArray(70'000, 'a') + "\r\n\r\n")
        << QByteArray("HTTP/1.1 431 Request Header Fields Too Large\r\nContent-Type: "
                      "text/plain\r\nContent-Length: 32\r\nConnection: close\r\n\r\n"
                      "Request Header Fields Too Large\n");
    QTest::newRow("announced body too large")
        << QByteArray("POST /echo HTTP/1.1\r\nContent-Length: 99999999999\r\n\r\n")
        << QByteArray("HTTP/1.1 413 Content Too Large\r\nContent-Type: text/plain\r\n"
                      "Content-Length: 18\r\nConnection: close\r\n\r\nContent Too Large\n");
}

void LoopbackHttpServerTest::rawExchanges()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, expected);

    LoopbackHttpServer server;
    server.setRoute({}, u"/echo"_qs,
                    [](const RecordedRequest& request) { return Response{.body = request.body}; });
    server.setRoute("GET", u"/empty"_qs, Response{.status = 204, .body = "ignored"});
    server.setRoute("GET", u"/teapot"_qs, Response{.status = 418, .reason = "I'm a teapot"});
    server.setRoute("GET", u"/pieces"_qs,
                    Response{.framing = BodyFraming::chunked, .bodyPieces = {"ab", "cde"}});
    server.setRoute("GET", u"/cut"_qs,
                    Response{.body = QByteArray(1000, 'z'),
                             .framing = BodyFraming::chunked,
                             .pieceBytes = 64,
                             .closeAfterBodyBytes = 300});
    QCOMPARE(exchangeBlocking(server.port(), request), expected);
}

void LoopbackHttpServerTest::continuesBeforeAnAnnouncedBody()
{
    LoopbackHttpServer server;
    server.setRoute("PUT", u"/upload"_qs,
                    [](const RecordedRequest& request) { return Response{.body = request.body}; });
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, server.port());
    QVERIFY(socket.waitForConnected(5000));
    socket.write("PUT /upload HTTP/1.1\r\nExpect: 100-continue\r\nContent-Length: 4\r\n"
                 "Connection: close\r\n\r\n");
    QVERIFY(socket.waitForReadyRead(5000));
    QCOMPARE(socket.readAll(), QByteArray("HTTP/1.1 100 Continue\r\n\r\n"));
    QCOMPARE(server.requestCount(), 0);

    socket.write("data");
    QByteArray answer;
    while (socket.waitForReadyRead(5000)) {
        answer += socket.readAll();
    }
    QCOMPARE(answer,
             QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 4\r\nConnection: close\r\n\r\ndata"));
}

void LoopbackHttpServerTest::waitForRequestsTimesOut()
{
    LoopbackHttpServer server;
    QVERIFY(!server.waitForRequests(1, 50ms));

    server.setRoute("GET", u"/late"_qs, Response::neverAnswer());
    QNetworkAccessManager manager;
    std::unique_ptr<QNetworkReply> reply(manager.get(QNetworkRequest(server.url(u"/late"_qs))));
    QVERIFY(server.waitForRequests(1));
    QCOMPARE(server.lastRequest()->path, u"/late"_qs);
    QVERIFY(!reply->isFinished());
    reply->abort();
}

void LoopbackHttpServerTest::destructionWithAClientStillConnected()
{
    QTcpSocket socket;
    {
        LoopbackHttpServer server;
        server.setRoute("GET", u"/hang"_qs, Response::neverAnswer());
        socket.connectToHost(QHostAddress::LocalHost, server.port());
        QVERIFY(socket.waitForConnected(5000));
        socket.write("GET /hang HTTP/1.1\r\n\r\nGET /hang HTTP/1.1\r\n\r\n");
        QVERIFY(server.waitForRequests(1));
        QCOMPARE(server.openConnectionCount(), 1);
    }
    QVERIFY(socket.state() == QAbstractSocket::UnconnectedState ||
            socket.waitForDisconnected(5000));
    QCOMPARE(socket.readAll(), QByteArray());
}

QTEST_GUILESS_MAIN(LoopbackHttpServerTest)
#include "tst_loopbackhttpserver.moc"
