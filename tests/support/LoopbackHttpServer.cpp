// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/LoopbackHttpServer.h"

#include "support/ServerThread.h"

#include <QHostAddress>
#include <QMap>
#include <QMutex>
#include <QMutexLocker>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace korvane::test {

namespace {

Response notFound(const RecordedRequest& request)
{
    return Response::text("no route for " + request.method + ' ' + request.path.toUtf8() + '\n',
                          404);
}

// A request head ("GET /a?b HTTP/1.1\r\nName: value\r\n…"), as Qt's clients write it.
RecordedRequest parseHead(const QByteArray& head)
{
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> requestLine = lines.first().split(' ');
    const QList<QByteArray> target = requestLine.value(1).split('?');
    RecordedRequest request{.method = requestLine.first(),
                            .path = QString::fromLatin1(target.first()),
                            .query = QString::fromLatin1(target.mid(1).join('?'))};
    for (const QByteArray& line : lines.mid(1)) {
        const qsizetype colon = line.indexOf(':');
        request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    return request;
}

} // namespace

// State both the server's thread and the callers' threads touch.
struct HttpShared {
    mutable QMutex mutex;
    QMap<std::pair<QByteArray, QString>, LoopbackHttpServer::Handler> routes;
    QList<RecordedRequest> requests;

    // Records the request and picks its handler, which runs outside the lock.
    LoopbackHttpServer::Handler record(const RecordedRequest& request)
    {
        QMutexLocker lock(&mutex);
        requests.append(request);
        return routes.value({request.method, request.path}, notFound);
    }
};

namespace {

// One client connection carrying one request. The body is produced as the socket drains, so an
// endless or huge body never piles up in memory.
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
            if (!trickle_.isActive())
                writeBody();
        });
        connect(socket_, &QTcpSocket::disconnected, this, &QObject::deleteLater);
        connect(&trickle_, &QTimer::timeout, this, &HttpConnection::writeBody);
    }

    // The socket goes with this object's children, after the members it must not call back into.
    ~HttpConnection() override { socket_->disconnect(this); }

private:
    void readRequest()
    {
        input_.append(socket_->readAll());
        const qsizetype headEnd = input_.indexOf("\r\n\r\n");
        if (answered_ || headEnd < 0)
            return;
        RecordedRequest request = parseHead(input_.left(headEnd));
        const qint64 bodyLength = request.header("Content-Length").toLongLong();
        if (input_.size() < headEnd + 4 + bodyLength)
            return;
        request.body = input_.mid(headEnd + 4, bodyLength);
        answered_ = true;
        Response response = shared_.record(request)(request);
        const auto delay = response.delay;
        QTimer::singleShot(delay, this,
                           [this, response = std::move(response)] { answer(response); });
    }

    void answer(const Response& response)
    {
        if (response.closeUnanswered) {
            socket_->disconnectFromHost();
            return;
        }
        const bool hasBody = response.status != 204 && response.status != 304;
        body_ = hasBody ? response.body : QByteArray();
        endless_ = response.endlessBody;
        // An endless body goes out in pieces large enough to keep the socket busy.
        if (endless_)
            body_ = body_.isEmpty() ? QByteArray(64 * 1024, 'x')
                                    : body_.repeated(64 * 1024 / body_.size() + 1);
        end_ = std::min<qint64>(body_.size(), response.closeAfterBodyBytes.value_or(body_.size()));

        QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n";
        for (const auto& [name, value] : response.headers)
            head += name + ": " + value + "\r\n";
        if (hasBody && !endless_)
            head += "Content-Length: " + QByteArray::number(body_.size()) + "\r\n";
        socket_->write(head + "Connection: close\r\n\r\n");
        if (response.byteInterval.count() > 0)
            trickle_.start(response.byteInterval);
        writeBody();
    }

    // Writes while the socket's backlog is small: an endless body over and over, a trickling
    // one a byte at a time, then closes.
    void writeBody()
    {
        while ((endless_ || written_ < end_) && socket_->bytesToWrite() < 1024 * 1024) {
            const QByteArray piece =
                endless_ ? body_ : body_.mid(written_, trickle_.isActive() ? 1 : end_ - written_);
            socket_->write(piece);
            written_ += piece.size();
            if (trickle_.isActive())
                break;
        }
        if (!endless_ && written_ >= end_ && !closing_) {
            closing_ = true;
            trickle_.stop();
            socket_->disconnectFromHost();
        }
    }

    QTcpSocket* socket_;
    HttpShared& shared_;
    QByteArray input_;
    bool answered_ = false;
    bool closing_ = false;
    QByteArray body_;
    bool endless_ = false;
    // Where the body stops: its length, or where it is cut off.
    qint64 end_ = 0;
    qint64 written_ = 0;
    QTimer trickle_;
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

    // The server and the connections are this worker's only children.
    void shutdown()
    {
        const QObjectList objects = children();
        qDeleteAll(objects);
    }

private:
    HttpShared& shared_;
    QTcpServer* server_ = nullptr;
};

} // namespace

QByteArray RecordedRequest::header(QByteArrayView name) const
{
    for (const auto& [key, value] : headers) {
        if (QByteArrayView(key).compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
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
    return requests().size();
}

std::optional<RecordedRequest> LoopbackHttpServer::lastRequest() const
{
    const QList<RecordedRequest> all = requests();
    return all.isEmpty() ? std::nullopt : std::optional(all.last());
}

void LoopbackHttpServer::clearRequests()
{
    QMutexLocker lock(&d->shared.mutex);
    d->shared.requests.clear();
}

} // namespace korvane::test
