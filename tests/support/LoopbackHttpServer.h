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
    // The request target exactly as it stood in the request line.
    QByteArray target{};
    // Every header line in arrival order, names as the client wrote them.
    HeaderList headers{};
    // The body, de-chunked when the client sent it chunked.
    QByteArray body{};
    // 1 for the server's first connection, 2 for the next…; equal numbers mean keep-alive reuse.
    int connection = 0;

    // The first header of that name, compared case-insensitively; empty when absent.
    QByteArray header(QByteArrayView name) const;
    bool hasHeader(QByteArrayView name) const;
    // Every header of that name, in order.
    QList<QByteArray> headerValues(QByteArrayView name) const;
    // The query parsed (fully decoded values).
    QUrlQuery queryItems() const;

    bool operator==(const RecordedRequest&) const = default;
};

enum class BodyFraming {
    // Content-Length, unless the body is endless (then until-close).
    contentLength,
    // Transfer-Encoding: chunked; each written piece is one chunk.
    chunked,
    // Neither: the body ends when the server closes the connection.
    untilClose,
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
    // Empty: the usual phrase for the status.
    QByteArray reason{};
    // Sent as given. Content-Length, Transfer-Encoding and Connection are added by the server
    // unless present here.
    HeaderList headers{};
    QByteArray body{};
    // When set, the body is `body` (or "x" when empty) repeated up to this many bytes. It is
    // produced as the socket drains, so a body of gigabytes costs no memory.
    std::optional<qint64> generatedBodyBytes{};
    // `body` (or "x") repeated until the client closes the connection.
    bool endlessBody = false;
    BodyFraming framing = BodyFraming::contentLength;
    // Wait after the request arrived, before answering (or closing). Other connections keep
    // being served meanwhile.
    std::chrono::milliseconds delay{0};
    // Above zero: the body trickles out in pieces of this many bytes…
    qsizetype pieceBytes = 0;
    // …one piece per interval.
    std::chrono::milliseconds pieceInterval{0};
    // Close the connection once this many body bytes were written (a truncated answer).
    std::optional<qint64> closeAfterBodyBytes{};
    ResponseAction action = ResponseAction::answer;
    // When not empty, the body is these pieces in order, each written on its own, one per
    // `pieceInterval` (a stream of server-sent events, say). `body` is then ignored.
    QList<QByteArray> bodyPieces{};

    static Response json(QByteArray body, int status = 200);
    static Response text(QByteArray body, int status = 200);
    static Response withStatus(int status, QByteArray body = {});
    static Response closeWithoutAnswer();
    static Response neverAnswer();

    // The first header of that name, compared case-insensitively; empty when absent.
    QByteArray header(QByteArrayView name) const;
};

// An HTTP/1.1 server on an ephemeral port of 127.0.0.1, for tests. It runs its sockets on its
// own thread, so it keeps answering while the test's thread is blocked; every member function
// is safe to call from any thread. Requests are routed by method and path (without the query);
// anything unrouted gets 404. Connections are kept alive as HTTP/1.1 says, and delayed answers
// never hold up other connections.
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
    quint16 port() const;
    // http://127.0.0.1:PORT
    QUrl baseUrl() const;
    // baseUrl() with `pathAndQuery` ("/v1/items?q=a") appended.
    QUrl url(const QString& pathAndQuery) const;

    // A route for that method ("GET", or empty for any method) and exact path ("/v1/items").
    // A later route for the same method and path replaces the earlier one.
    void setRoute(const QByteArray& method, const QString& path, Response response);
    void setRoute(const QByteArray& method, const QString& path, Handler handler);
    void removeRoute(const QByteArray& method, const QString& path);
    // What unrouted requests get; by default 404 with a short text body.
    void setFallback(Handler handler);
    void clearRoutes();

    // Every complete request so far, in arrival order. A request is recorded as soon as it has
    // arrived whole, before any delay.
    QList<RecordedRequest> requests() const;
    QList<RecordedRequest> requests(const QByteArray& method, const QString& path) const;
    qsizetype requestCount() const;
    std::optional<RecordedRequest> lastRequest() const;
    void clearRequests();
    // Processes the caller's events until `count` requests were recorded or the time is up.
    bool waitForRequests(qsizetype count,
                         std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;

    // Connections accepted since start.
    int connectionCount() const;
    // Connections open right now.
    int openConnectionCount() const;
    bool waitForOpenConnections(int count,
                                std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    // Drops every open connection.
    void closeAllConnections();

    // Requests larger than these are answered 431 / 413 and the connection closed.
    static constexpr qsizetype maximumHeaderBytes = 64 * 1024;
    static constexpr qsizetype maximumBodyBytes = 64 * 1024 * 1024;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace korvane::test
