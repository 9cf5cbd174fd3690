// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/LoopbackHttpServer.h"

#include "support/ServerThread.h"

#include <QHostAddress>
#include <QMap>
#include <QMutex>
#include <QMutexLocker>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace korvane::test {

namespace {

bool sameHeaderName(QByteArrayView a, QByteArrayView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

Response notFound(const RecordedRequest& request)
{
    return Response::text("no route for " + request.method + ' ' + request.path.toUtf8() + '\n',
                          404);
}

// Parses a request head ("GET /a?b HTTP/1.1\r\nName: value\r\n…"); nothing when it is malformed.
std::optional<RecordedRequest> parseHead(const QByteArray& head)
{
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    if (requestLine.size() != 3)
        return std::nullopt;
    RecordedRequest request{.method = requestLine[0]};
    const QByteArray& target = requestLine[1];
    const qsizetype question = target.indexOf('?');
    request.path = QString::fromLatin1(question < 0 ? target : target.left(question));
    if (question >= 0)
        request.query = QString::fromLatin1(target.mid(question + 1));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return std::nullopt;
        request.headers.append({line.left(colon), line.mid(colon + 1).trimmed()});
    }
    return request;
}

} // namespace

// State both the server's thread and the callers' threads touch.
struct HttpShared {
    mutable QMutex mutex;
    QMap<std::pair<QByteArray, QString>, LoopbackHttpServer::Handler> routes;
    LoopbackHttpServer::Handler fallback = notFound;
    QList<RecordedRequest> requests;

    // Records the request and picks its handler; the handler runs outside the lock.
    LoopbackHttpServer::Handler record(const RecordedRequest& request)
    {
        QMutexLocker lock(&mutex);
        requests.append(request);
        return routes.value({request.method, request.path}, fallback);
    }
};

namespace {

// One client connection carrying one request. The answer's body is produced as the socket
// drains, so an endless or huge body never piles up in memory.
class HttpConnection final : public QObject {
public:
    HttpConnection(QTcpSocket* socket, HttpShared& shared, QObject* parent)
        : QObject(parent)
        , socket_(socket)
        , shared_(shared)
    {
        socket_->setParent(this);
        connect(socket_, &QTcpSocket::readyRead, this, &HttpConnection::readRequest);
        connect(socket_, &QTcpSocket::bytesWritten, this, [this] {
            if (!pieceTimer_.isActive())
                writeBody();
        });
        connect(socket_, &QTcpSocket::disconnected, this, &QObject::deleteLater);
        connect(&pieceTimer_, &QTimer::timeout, this, &HttpConnection::writeBody);
    }

    // The socket goes with this object's children, after this class's members: it must not
    // call back into them meanwhile.
    ~HttpConnection() override { socket_->disconnect(this); }

private:
    void readRequest()
    {
        input_.append(socket_->readAll());
        if (answered_)
            return;
        const qsizetype headEnd = input_.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return;
        std::optional<RecordedRequest> request = parseHead(input_.left(headEnd));
        if (!request) {
            socket_->disconnectFromHost();
            return;
        }
        const qint64 bodyLength = request->header("Content-Length").toLongLong();
        if (input_.size() < headEnd + 4 + bodyLength)
            return;
        request->body = input_.mid(headEnd + 4, bodyLength);
        answered_ = true;
        const LoopbackHttpServer::Handler handler = shared_.record(*request);
        Response response = handler ? handler(*request) : notFound(*request);
        const auto delay = response.delay;
        QTimer::singleShot(delay, this,
                           [this, response = std::move(response)] { answer(response); });
    }

    void answer(const Response& response)
    {
        if (response.action == ResponseAction::closeWithoutAnswer)
            socket_->disconnectFromHost();
        if (response.action != ResponseAction::answer)
            return;

        const bool repeats = response.endlessBody || response.generatedBodyBytes;
        pattern_ = repeats && response.body.isEmpty() ? QByteArrayLiteral("x") : response.body;
        const bool hasBody = response.status != 204 && response.status != 304;
        const qint64 length = !hasBody                      ? 0
                              : response.endlessBody        ? -1
                              : response.generatedBodyBytes ? *response.generatedBodyBytes
                                                            : pattern_.size();
        end_ = response.closeAfterBodyBytes
                   ? (length < 0 ? *response.closeAfterBodyBytes
                                 : std::min(length, *response.closeAfterBodyBytes))
                   : length;
        pieceBytes_ = response.pieceBytes;

        QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n";
        for (const auto& [name, value] : response.headers)
            head += name + ": " + value + "\r\n";
        if (length >= 0 && hasBody)
            head += "Content-Length: " + QByteArray::number(length) + "\r\n";
        socket_->write(head + "Connection: close\r\n\r\n");
        if (pieceBytes_ > 0)
            pieceTimer_.start(response.pieceInterval);
        writeBody();
    }

    // Writes body bytes while the socket's backlog is small, or one piece when trickling.
    void writeBody()
    {
        constexpr qint64 backlog = 1024 * 1024;
        while ((end_ < 0 || written_ < end_) && socket_->bytesToWrite() < backlog) {
            qint64 size = pieceBytes_ > 0 ? pieceBytes_ : 64 * 1024;
            if (end_ >= 0)
                size = std::min(size, end_ - written_);
            QByteArray piece;
            piece.reserve(size);
            while (piece.size() < size) {
                const qsizetype start = written_ % pattern_.size();
                const qsizetype count =
                    std::min<qint64>(pattern_.size() - start, size - piece.size());
                piece.append(pattern_.constData() + start, count);
                written_ += count;
            }
            socket_->write(piece);
            if (pieceBytes_ > 0)
                break;
        }
        if (end_ >= 0 && written_ >= end_ && !closing_) {
            closing_ = true;
            pieceTimer_.stop();
            socket_->disconnectFromHost();
        }
    }

    QTcpSocket* socket_;
    HttpShared& shared_;
    QByteArray input_;
    bool answered_ = false;
    bool closing_ = false;
    QByteArray pattern_;
    // Where the body stops: its length, or where it is cut off; -1 when it never ends.
    qint64 end_ = 0;
    qint64 written_ = 0;
    qsizetype pieceBytes_ = 0;
    QTimer pieceTimer_;
};

// Lives on the server's thread and owns everything network there.
class HttpWorker final : public QObject {
public:
    explicit HttpWorker(HttpShared& shared)
        : shared_(shared)
    {
    }

    quint16 listen()
    {
        server_ = new QTcpServer(this);
        connect(server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_->nextPendingConnection())
                new HttpConnection(socket, shared_, this);
        });
        return server_->listen(QHostAddress::LocalHost, 0) ? server_->serverPort() : 0;
    }

    void shutdown()
    {
        // The connections are this worker's only children besides the server.
        qDeleteAll(children());
        server_ = nullptr;
    }

private:
    HttpShared& shared_;
    QTcpServer* server_ = nullptr;
};

} // namespace

QByteArray RecordedRequest::header(QByteArrayView name) const
{
    const QList<QByteArray> values = headerValues(name);
    return values.isEmpty() ? QByteArray() : values.first();
}

bool RecordedRequest::hasHeader(QByteArrayView name) const
{
    return !headerValues(name).isEmpty();
}

QList<QByteArray> RecordedRequest::headerValues(QByteArrayView name) const
{
    QList<QByteArray> values;
    for (const auto& [key, value] : headers) {
        if (sameHeaderName(key, name))
            values.append(value);
    }
    return values;
}

QUrlQuery RecordedRequest::queryItems() const
{
    return QUrlQuery(query);
}

Response Response::json(QByteArray body, int status)
{
    return {.status = status,
            .headers = {{"Content-Type", "application/json"}},
            .body = std::move(body)};
}

Response Response::text(QByteArray body, int status)
{
    return {.status = status,
            .headers = {{"Content-Type", "text/plain; charset=utf-8"}},
            .body = std::move(body)};
}

Response Response::withStatus(int status, QByteArray body)
{
    return {.status = status, .body = std::move(body)};
}

Response Response::closeWithoutAnswer()
{
    return {.action = ResponseAction::closeWithoutAnswer};
}

Response Response::neverAnswer()
{
    return {.action = ResponseAction::neverAnswer};
}

struct LoopbackHttpServer::Private {
    HttpShared shared;
    ServerThread<HttpWorker> server{QStringLiteral("LoopbackHttpServer"), shared};
};

LoopbackHttpServer::LoopbackHttpServer()
    : d(std::make_unique<Private>())
{
}

LoopbackHttpServer::~LoopbackHttpServer() = default;

bool LoopbackHttpServer::isListening() const
{
    return d->server.port() != 0;
}

QUrl LoopbackHttpServer::baseUrl() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(d->server.port()));
}

QUrl LoopbackHttpServer::url(const QString& pathAndQuery) const
{
    return QUrl(baseUrl().toString() + pathAndQuery);
}

void LoopbackHttpServer::setRoute(const QByteArray& method, const QString& path, Response response)
{
    setRoute(method, path,
             [response = std::move(response)](const RecordedRequest&) { return response; });
}

void LoopbackHttpServer::setRoute(const QByteArray& method, const QString& path, Handler handler)
{
    QMutexLocker lock(&d->shared.mutex);
    d->shared.routes.insert({method, path}, std::move(handler));
}

void LoopbackHttpServer::setFallback(Handler handler)
{
    QMutexLocker lock(&d->shared.mutex);
    d->shared.fallback = std::move(handler);
}

void LoopbackHttpServer::clearRoutes()
{
    QMutexLocker lock(&d->shared.mutex);
    d->shared.routes.clear();
    d->shared.fallback = notFound;
}

QList<RecordedRequest> LoopbackHttpServer::requests() const
{
    QMutexLocker lock(&d->shared.mutex);
    return d->shared.requests;
}

QList<RecordedRequest> LoopbackHttpServer::requests(const QByteArray& method,
                                                    const QString& path) const
{
    QList<RecordedRequest> matching = requests();
    matching.removeIf([&](const RecordedRequest& request) {
        return request.method != method || request.path != path;
    });
    return matching;
}

qsizetype LoopbackHttpServer::requestCount() const
{
    QMutexLocker lock(&d->shared.mutex);
    return d->shared.requests.size();
}

std::optional<RecordedRequest> LoopbackHttpServer::lastRequest() const
{
    QMutexLocker lock(&d->shared.mutex);
    if (d->shared.requests.isEmpty())
        return std::nullopt;
    return d->shared.requests.last();
}

void LoopbackHttpServer::clearRequests()
{
    QMutexLocker lock(&d->shared.mutex);
    d->shared.requests.clear();
}

} // namespace korvane::test
