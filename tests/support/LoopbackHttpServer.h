// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>
#include <QUrlQuery>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace korvane::test {

using HeaderList = QList<QPair<QByteArray, QByteArray>>;

// One request as the server received it.
struct RecordedRequest {
    QByteArray method{};
    // The target's path, still percent-encoded, without the query.
    QString path{};
    // The target's query without the '?', still percent-encoded; empty when there was none.
    QString query{};
    // Every header line in arrival order, names as the client wrote them.
    HeaderList headers{};
    QByteArray body{};

    // The first header of that name, compared case-insensitively; empty when absent.
    QByteArray header(QByteArrayView name) const;
    bool hasHeader(QByteArrayView name) const;
    // Every header of that name, in order.
    QList<QByteArray> headerValues(QByteArrayView name) const;
    // The query parsed (fully decoded values).
    QUrlQuery queryItems() const;
};

enum class ResponseAction {
    answer,
    // Read the request, then close the connection without a byte of answer.
    closeWithoutAnswer,
    // Read the request and never answer; the connection stays open until the client gives up.
    neverAnswer,
};

// What a route answers. Fields left at their defaults give a plain, immediate answer.
struct Response {
    int status = 200;
    // Sent as given; the server adds Content-Length and "Connection: close".
    HeaderList headers{};
    QByteArray body{};
    // When set, the body is `body` (or "x" when empty) repeated up to this many bytes. It is
    // produced as the socket drains, so a body of gigabytes costs no memory.
    std::optional<qint64> generatedBodyBytes{};
    // `body` (or "x") repeated without a length until the client closes the connection.
    bool endlessBody = false;
    // Wait after the request arrived, before answering (or closing). Other connections keep
    // being served meanwhile.
    std::chrono::milliseconds delay{0};
    // Above zero: the body trickles out in pieces of this many bytes, one per `pieceInterval`.
    qsizetype pieceBytes = 0;
    std::chrono::milliseconds pieceInterval{0};
    // Close the connection once this many body bytes were written (a truncated answer).
    std::optional<qint64> closeAfterBodyBytes{};
    ResponseAction action = ResponseAction::answer;

    static Response json(QByteArray body, int status = 200);
    static Response text(QByteArray body, int status = 200);
    static Response withStatus(int status, QByteArray body = {});
    static Response closeWithoutAnswer();
    static Response neverAnswer();
};

// An HTTP/1.1 server on an ephemeral port of 127.0.0.1, for tests. It runs its sockets on its
// own thread, so it keeps answering while the test's thread is blocked; every member function
// is safe to call from any thread. Requests are routed by method and path (without the query);
// anything unrouted gets 404. Each connection carries one request, so delayed answers never
// hold up other requests.
class LoopbackHttpServer final {
public:
    // Called on the server's thread: it must return quickly and touch shared state safely.
    // Slowness belongs in the returned Response's `delay`.
    using Handler = std::function<Response(const RecordedRequest&)>;

    // Starts listening at once; check isListening().
    LoopbackHttpServer();
    // Closes every connection, including those a client still holds open.
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    bool isListening() const;
    // http://127.0.0.1:PORT
    QUrl baseUrl() const;
    // baseUrl() with `pathAndQuery` ("/v1/items?q=a") appended.
    QUrl url(const QString& pathAndQuery) const;

    // A route for that method ("GET") and exact path ("/v1/items"); a later one replaces it.
    void setRoute(const QByteArray& method, const QString& path, Response response);
    void setRoute(const QByteArray& method, const QString& path, Handler handler);
    // What unrouted requests get; by default 404.
    void setFallback(Handler handler);
    void clearRoutes();

    // Every complete request so far, in arrival order, recorded before any delay.
    QList<RecordedRequest> requests() const;
    QList<RecordedRequest> requests(const QByteArray& method, const QString& path) const;
    qsizetype requestCount() const;
    std::optional<RecordedRequest> lastRequest() const;
    void clearRequests();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace korvane::test
