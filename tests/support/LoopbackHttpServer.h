// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace korvane::test {

using HeaderList = QList<QPair<QByteArray, QByteArray>>;

// One request as the server received it; path and query (without the '?') are still
// percent-encoded, headers in arrival order.
struct RecordedRequest {
    QByteArray method{};
    QString path{};
    QString query{};
    HeaderList headers{};
    QByteArray body{};

    // The first header of that name, in any letter case; empty when absent.
    QByteArray header(QByteArrayView name) const;
};

// What a route answers; the defaults give a plain, immediate answer.
struct Response {
    int status = 200;
    // The server adds Content-Length and "Connection: close".
    HeaderList headers{};
    QByteArray body{};
    // `body` (or "x") over and over, without a length, until the client closes.
    bool endlessBody = false;
    // Wait after the request arrived, before answering or closing; other connections go on.
    std::chrono::milliseconds delay{0};
    // Above zero: the body trickles out one byte per interval.
    std::chrono::milliseconds byteInterval{0};
    // Close once this many body bytes were written (a truncated answer), or before any.
    std::optional<qint64> closeAfterBodyBytes{};
    bool closeUnanswered = false;

    static Response json(QByteArray body, int status = 200);
    static Response text(QByteArray body, int status = 200);
    static Response withStatus(int status, QByteArray body = {})
    {
        return {.status = status, .body = std::move(body)};
    }
    static Response closeWithoutAnswer() { return {.closeUnanswered = true}; }
    // Answers only once the test is over.
    static Response neverAnswer() { return {.delay = std::chrono::hours(1)}; }
};

// An HTTP/1.1 server on an ephemeral port of 127.0.0.1. Its sockets run on a thread of their
// own, so it keeps answering while the test's thread blocks; every member is safe to call from
// any thread. Requests are routed by method and path (without the query); anything unrouted
// gets 404. Each connection carries one request, so a delayed answer holds up no other.
class LoopbackHttpServer final {
public:
    // Runs on the server's thread: it must return quickly. Slowness belongs in `delay`.
    using Handler = std::function<Response(const RecordedRequest&)>;

    LoopbackHttpServer();
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    bool isListening() const;
    // http://127.0.0.1:PORT, and that with `pathAndQuery` ("/v1/items?q=a") appended.
    QUrl baseUrl() const;
    QUrl url(const QString& pathAndQuery) const;

    // A later route for the same method ("GET") and exact path replaces the earlier one.
    void setRoute(const QByteArray& method, const QString& path, Response response);
    void setRoute(const QByteArray& method, const QString& path, Handler handler);

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
