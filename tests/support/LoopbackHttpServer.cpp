#include "support/LoopbackHttpServer.h"

#include "support/ServerThread.h"

#include <QHash>
#include <QHostAddress>
#include <QMutex>
#include <QMutexLocker>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace korvane::test {

using namespace std::chrono_literals;

namespace {

bool sameHeaderName(QByteArrayView a, QByteArrayView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QByteArray firstHeader(const HeaderList& headers, QByteArrayView name)
{
    for (const auto& [key, value] : headers) {
        if (sameHeaderName(key, name)) {
            return value;
        }
    }
    return {};
}

bool containsHeader(const HeaderList& headers, QByteArrayView name)
{
    return std::any_of(headers.begin(), headers.end(),
                       [name](const auto& header) { return sameHeaderName(header.first, name); });
}

// Whether a comma-separated header value lists `token` (Connection: keep-alive, Upgrade).
bool listsToken(const QByteArray& value, QByteArrayView token)
{
    const QList<QByteArray> parts = value.split(',');
    return std::any_of(parts.begin(), parts.end(), [token](const QByteArray& part) {
        return sameHeaderName(part.trimmed(), token);
    });
}

QByteArray reasonPhrase(int status)
{
    static const QHash<int, QByteArray> phrases{
        {100, "Continue"},
        {200, "OK"},
        {201, "Created"},
        {202, "Accepted"},
        {204, "No Content"},
        {206, "Partial Content"},
        {301, "Moved Permanently"},
        {302, "Found"},
        {303, "See Other"},
        {304, "Not Modified"},
        {307, "Temporary Redirect"},
        {308, "Permanent Redirect"},
        {400, "Bad Request"},
        {401, "Unauthorized"},
        {403, "Forbidden"},
        {404, "Not Found"},
        {405, "Method Not Allowed"},
        {408, "Request Timeout"},
        {409, "Conflict"},
        {413, "Content Too Large"},
        {415, "Unsupported Media Type"},
        {422, "Unprocessable Content"},
        {429, "Too Many Requests"},
        {431, "Request Header Fields Too Large"},
        {500, "Internal Server Error"},
        {501, "Not Implemented"},
        {502, "Bad Gateway"},
        {503, "Service Unavailable"},
        {504, "Gateway Timeout"},
    };
    return phrases.value(status, QByteArrayLiteral("Status"));
}

bool statusAllowsBody(int status)
{
    return status >= 200 && status != 204 && status != 304;
}

struct Route {
    QByteArray method{};
    QString path{};
    LoopbackHttpServer::Handler handler{};
};

Response notFound(const RecordedRequest& request)
{
    return Response::text("no route for " + request.method + ' ' + request.path.toUtf8() + '\n',
                          404);
}

} // namespace

// State both the server's thread and the callers' threads touch.
struct HttpShared {
    mutable QMutex mutex;
    QList<Route> routes;
    LoopbackHttpServer::Handler fallback = notFound;
    QList<RecordedRequest> requests;
    int connectionsAccepted = 0;
    int connectionsOpen = 0;

    LoopbackHttpServer::Handler handlerFor(const RecordedRequest& request) const
    {
        QMutexLocker lock(&mutex);
        // A route naming the method wins over one for any method.
        for (const Route& route : routes) {
            if (route.path == request.path && route.method == request.method) {
                return route.handler;
            }
        }
        for (const Route& route : routes) {
            if (route.path == request.path && route.method.isEmpty()) {
                return route.handler;
            }
        }
        return fallback;
    }
};

namespace {

// The bytes of one answer's body, produced on demand so generated bodies cost no memory.
class BodySource {
public:
    explicit BodySource(const Response& response)
    {
        if (!response.bodyPieces.isEmpty()) {
            for (const QByteArray& piece : response.bodyPieces) {
                bytes_ += piece;
                pieceEnds_.append(bytes_.size());
            }
            length_ = bytes_.size();
        } else if (response.endlessBody || response.generatedBodyBytes) {
            repeating_ = true;
            bytes_ = response.body.isEmpty() ? QByteArrayLiteral("x") : response.body;
            length_ = response.endlessBody ? -1 : std::max<qint64>(0, *response.generatedBodyBytes);
        } else {
            bytes_ = response.body;
            length_ = bytes_.size();
        }
    }

    // -1 when the body never ends.
    qint64 length() const { return length_; }
    bool atEnd() const { return length_ >= 0 && offset_ >= length_; }

    QByteArray take(qint64 maximum)
    {
        qint64 size = length_ < 0 ? maximum : std::min(maximum, length_ - offset_);
        // Never across a boundary of the given pieces.
        const auto end = std::upper_bound(pieceEnds_.cbegin(), pieceEnds_.cend(), offset_);
        if (end != pieceEnds_.cend()) {
            size = std::min(size, *end - offset_);
        }
        if (!repeating_) {
            QByteArray piece = bytes_.mid(offset_, size);
            offset_ += piece.size();
            return piece;
        }
        QByteArray piece;
        piece.reserve(size);
        while (piece.size() < size) {
            const qsizetype start = offset_ % bytes_.size();
            const qsizetype count = std::min<qint64>(bytes_.size() - start, size - piece.size());
            piece.append(bytes_.constData() + start, count);
            offset_ += count;
        }
        return piece;
    }

private:
    QByteArray bytes_;
    QList<qint64> pieceEnds_;
    bool repeating_ = false;
    qint64 length_ = 0;
    qint64 offset_ = 0;
};

// One client connection: reads requests one after another, answers each in turn.
class HttpConnection final : public QObject {
public:
    HttpConnection(QTcpSocket* socket, int number, HttpShared& shared, QObject* parent)
        : QObject(parent)
        , socket_(socket)
        , number_(number)
        , shared_(shared)
    {
        socket_->setParent(this);
        connect(socket_, &QTcpSocket::readyRead, this, &HttpConnection::readInput);
        connect(socket_, &QTcpSocket::bytesWritten, this, &HttpConnection::writeMore);
        connect(socket_, &QTcpSocket::disconnected, this, &HttpConnection::finish);
        connect(&pieceTimer_, &QTimer::timeout, this, &HttpConnection::writePiece);
        readInput();
    }

    ~HttpConnection() override
    {
        socket_->disconnect(this);
        socket_->abort();
    }

    void finish()
    {
        if (finished_) {
            return;
        }
        finished_ = true;
        busy_ = true;
        pieceTimer_.stop();
        {
            QMutexLocker lock(&shared_.mutex);
            --shared_.connectionsOpen;
        }
        deleteLater();
    }

private:
    enum class Parse { incomplete, complete, failed };

    void readInput()
    {
        if (rejected_) {
            socket_->readAll();
            return;
        }
        input_.append(socket_->readAll());
        processInput();
    }

    void processInput()
    {
        while (!busy_ && !finished_) {
            if (!headParsed_) {
                const Parse head = parseHead();
                if (head == Parse::incomplete) {
                    if (input_.size() > LoopbackHttpServer::maximumHeaderBytes) {
                        reject(431);
                    }
                    return;
                }
                if (head == Parse::failed) {
                    return;
                }
            }
            const Parse body = parseBody();
            if (body == Parse::incomplete) {
                if (expectsContinue_ && !continueSent_) {
                    continueSent_ = true;
                    socket_->write("HTTP/1.1 100 Continue\r\n\r\n");
                }
                return;
            }
            if (body == Parse::failed) {
                return;
            }
            dispatch();
        }
    }

    Parse parseHead()
    {
        const qsizetype end = input_.indexOf("\r\n\r\n");
        if (end < 0) {
            return Parse::incomplete;
        }
        if (end > LoopbackHttpServer::maximumHeaderBytes) {
            reject(431);
            return Parse::failed;
        }
        const QList<QByteArray> lines = input_.left(end).split('\n');
        input_.remove(0, end + 4);

        request_ = RecordedRequest{};
        request_.connection = number_;
        const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
        if (requestLine.size() != 3 || requestLine[0].isEmpty() || requestLine[1].isEmpty() ||
            !requestLine[2].startsWith("HTTP/1.")) {
            reject(400);
            return Parse::failed;
        }
        request_.method = requestLine[0];
        request_.target = requestLine[1];
        http10_ = requestLine[2] == "HTTP/1.0";

        QByteArray pathAndQuery = request_.target;
        // Absolute form, as a proxy client sends it.
        if (pathAndQuery.startsWith("http://") || pathAndQuery.startsWith("https://")) {
            const qsizetype authority = pathAndQuery.indexOf("//") + 2;
            const qsizetype slash = pathAndQuery.indexOf('/', authority);
            pathAndQuery = slash < 0 ? QByteArrayLiteral("/") : pathAndQuery.mid(slash);
        }
        const qsizetype question = pathAndQuery.indexOf('?');
        request_.path =
            QString::fromLatin1(question < 0 ? pathAndQuery : pathAndQuery.left(question));
        request_.query =
            question < 0 ? QString() : QString::fromLatin1(pathAndQuery.mid(question + 1));

        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].endsWith('\r') ? lines[i].chopped(1) : lines[i];
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0) {
                reject(400);
                return Parse::failed;
            }
            request_.headers.append({line.left(colon), line.mid(colon + 1).trimmed()});
        }

        chunked_ = listsToken(request_.header("Transfer-Encoding"), "chunked");
        contentLength_ = 0;
        if (!chunked_ && request_.hasHeader("Content-Length")) {
            bool ok = false;
            contentLength_ = request_.header("Content-Length").toLongLong(&ok);
            if (!ok || contentLength_ < 0) {
                reject(400);
                return Parse::failed;
            }
            if (contentLength_ > LoopbackHttpServer::maximumBodyBytes) {
                reject(413);
                return Parse::failed;
            }
        }
        expectsContinue_ = sameHeaderName(request_.header("Expect"), "100-continue");
        continueSent_ = false;
        headParsed_ = true;
        return Parse::complete;
    }

    Parse parseBody()
    {
        if (!chunked_) {
            if (input_.size() < contentLength_) {
                return Parse::incomplete;
            }
            request_.body = input_.left(contentLength_);
            input_.remove(0, contentLength_);
            return Parse::complete;
        }
        // Chunks are re-walked from the start on every read; only their size lines are parsed.
        QByteArray body;
        qsizetype position = 0;
        for (;;) {
            const qsizetype lineEnd = input_.indexOf("\r\n", position);
            if (lineEnd < 0) {
                return tooLargeOrIncomplete(input_.size());
            }
            QByteArray sizeText = input_.mid(position, lineEnd - position);
            if (const qsizetype extension = sizeText.indexOf(';'); extension >= 0) {
                sizeText.truncate(extension);
            }
            bool ok = false;
            const qint64 size = sizeText.trimmed().toLongLong(&ok, 16);
            if (!ok || size < 0) {
                reject(400);
                return Parse::failed;
            }
            position = lineEnd + 2;
            if (size == 0) {
                // Trailers, up to an empty line.
                for (;;) {
                    const qsizetype trailerEnd = input_.indexOf("\r\n", position);
                    if (trailerEnd < 0) {
                        return Parse::incomplete;
                    }
                    const bool empty = trailerEnd == position;
                    position = trailerEnd + 2;
                    if (empty) {
                        break;
                    }
                }
                request_.body = body;
                input_.remove(0, position);
                return Parse::complete;
            }
            if (body.size() + size > LoopbackHttpServer::maximumBodyBytes) {
                reject(413);
                return Parse::failed;
            }
            if (input_.size() < position + size + 2) {
                return Parse::incomplete;
            }
            body.append(input_.constData() + position, size);
            position += size + 2;
        }
    }

    Parse tooLargeOrIncomplete(qsizetype buffered)
    {
        if (buffered >
            LoopbackHttpServer::maximumBodyBytes + LoopbackHttpServer::maximumHeaderBytes) {
            reject(413);
            return Parse::failed;
        }
        return Parse::incomplete;
    }

    void reject(int status)
    {
        busy_ = true;
        const QByteArray body = reasonPhrase(status) + '\n';
        socket_->write("HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) +
                       "\r\nContent-Type: text/plain\r\nContent-Length: " +
                       QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        // Closing with unread input would reset the connection and could take the answer with
        // it; drain what the client is still sending first.
        rejected_ = true;
        input_.clear();
        QTimer::singleShot(200ms, this, [this] {
            if (!finished_) {
                socket_->disconnectFromHost();
            }
        });
    }

    void dispatch()
    {
        busy_ = true;
        headParsed_ = false;
        const RecordedRequest request = request_;
        LoopbackHttpServer::Handler handler;
        {
            QMutexLocker lock(&shared_.mutex);
            shared_.requests.append(request);
        }
        handler = shared_.handlerFor(request);
        Response response = handler ? handler(request) : notFound(request);

        const QByteArray connectionHeader = request.header("Connection");
        keepAlive_ = http10_ ? listsToken(connectionHeader, "keep-alive")
                             : !listsToken(connectionHeader, "close");
        if (response.delay.count() > 0) {
            QTimer::singleShot(response.delay, this,
                               [this, response = std::move(response)] { answer(response); });
        } else {
            answer(response);
        }
    }

    void answer(const Response& response)
    {
        if (finished_) {
            return;
        }
        switch (response.action) {
        case ResponseAction::closeWithoutAnswer:
            socket_->disconnectFromHost();
            return;
        case ResponseAction::neverAnswer:
            return;
        case ResponseAction::answer:
            break;
        }

        const bool headRequest = request_.method == "HEAD";
        const bool hasBody = statusAllowsBody(response.status);
        body_.emplace(response);
        framing_ = response.framing;
        if (framing_ == BodyFraming::contentLength && body_->length() < 0) {
            framing_ = BodyFraming::untilClose;
        }
        if (framing_ == BodyFraming::untilClose) {
            keepAlive_ = false;
        }
        if (containsHeader(response.headers, "Connection")) {
            keepAlive_ = keepAlive_ && !listsToken(response.header("Connection"), "close");
        }

        QByteArray head =
            "HTTP/1.1 " + QByteArray::number(response.status) + ' ' +
            (response.reason.isEmpty() ? reasonPhrase(response.status) : response.reason) + "\r\n";
        for (const auto& [name, value] : response.headers) {
            head += name + ": " + value + "\r\n";
        }
        if (hasBody) {
            if (framing_ == BodyFraming::contentLength &&
                !containsHeader(response.headers, "Content-Length")) {
                head += "Content-Length: " + QByteArray::number(body_->length()) + "\r\n";
            }
            if (framing_ == BodyFraming::chunked &&
                !containsHeader(response.headers, "Transfer-Encoding")) {
                head += "Transfer-Encoding: chunked\r\n";
            }
        }
        if (!containsHeader(response.headers, "Connection")) {
            if (!keepAlive_) {
                head += "Connection: close\r\n";
            } else if (http10_) {
                head += "Connection: keep-alive\r\n";
            }
        }
        head += "\r\n";
        socket_->write(head);

        sendBody_ = hasBody && !headRequest;
        bodyWritten_ = 0;
        closeAfter_ = response.closeAfterBodyBytes;
        pieceBytes_ = response.pieceBytes;
        if (pieceBytes_ <= 0 && !response.bodyPieces.isEmpty()) {
            pieceBytes_ = std::numeric_limits<qsizetype>::max();
        }
        pieceTimer_.stop();
        if (sendBody_ && pieceBytes_ > 0) {
            pieceTimer_.setInterval(response.pieceInterval);
            writePiece();
            if (!finished_ && body_) {
                pieceTimer_.start();
            }
            return;
        }
        writing_ = true;
        writeMore();
    }

    // Bounded by the socket's backlog, so an endless body never piles up in memory.
    void writeMore()
    {
        if (!writing_ || finished_) {
            return;
        }
        constexpr qint64 block = 64 * 1024;
        constexpr qint64 backlog = 1024 * 1024;
        while (writing_ && socket_->bytesToWrite() < backlog) {
            if (!writeBodyPiece(block)) {
                return;
            }
        }
    }

    void writePiece()
    {
        // A short interval must not pile the body up in the socket's buffer either.
        if (socket_->bytesToWrite() >= 1024 * 1024) {
            return;
        }
        if (!writeBodyPiece(pieceBytes_)) {
            pieceTimer_.stop();
        }
    }

    // Writes up to `maximum` body bytes; false once the answer is complete (or cut off).
    bool writeBodyPiece(qint64 maximum)
    {
        if (!body_) {
            return false;
        }
        if (sendBody_ && !body_->atEnd()) {
            qint64 size = maximum;
            if (closeAfter_) {
                size = std::min(size, *closeAfter_ - bodyWritten_);
            }
            const QByteArray piece = body_->take(size);
            bodyWritten_ += piece.size();
            if (framing_ == BodyFraming::chunked && !piece.isEmpty()) {
                socket_->write(QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n");
            } else {
                socket_->write(piece);
            }
            if (closeAfter_ && bodyWritten_ >= *closeAfter_) {
                endAnswer(false);
                return false;
            }
            if (!body_->atEnd()) {
                return true;
            }
        }
        if (sendBody_ && framing_ == BodyFraming::chunked) {
            socket_->write("0\r\n\r\n");
        }
        endAnswer(keepAlive_);
        return false;
    }

    void endAnswer(bool keepOpen)
    {
        writing_ = false;
        body_.reset();
        if (!keepOpen) {
            busy_ = true;
            socket_->disconnectFromHost();
            return;
        }
        busy_ = false;
        // The next request may already be waiting (pipelining); leave this call stack first.
        QTimer::singleShot(0, this, [this] { processInput(); });
    }

    QTcpSocket* socket_;
    const int number_;
    HttpShared& shared_;
    QByteArray input_;
    RecordedRequest request_;
    bool headParsed_ = false;
    bool chunked_ = false;
    bool http10_ = false;
    bool expectsContinue_ = false;
    bool continueSent_ = false;
    qint64 contentLength_ = 0;
    bool busy_ = false;
    bool finished_ = false;
    bool rejected_ = false;
    bool keepAlive_ = true;

    std::optional<BodySource> body_;
    BodyFraming framing_ = BodyFraming::contentLength;
    bool sendBody_ = false;
    bool writing_ = false;
    qint64 bodyWritten_ = 0;
    std::optional<qint64> closeAfter_;
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
        connect(server_, &QTcpServer::newConnection, this, &HttpWorker::accept);
        if (!server_->listen(QHostAddress::LocalHost, 0)) {
            return 0;
        }
        return server_->serverPort();
    }

    void closeConnections()
    {
        // Plain QObject subclasses, so findChildren() cannot tell them from the server.
        const QObjectList children = this->children();
        for (QObject* child : children) {
            if (auto* connection = dynamic_cast<HttpConnection*>(child)) {
                connection->finish();
                delete connection;
            }
        }
    }

    void shutdown()
    {
        closeConnections();
        delete server_;
        server_ = nullptr;
    }

private:
    void accept()
    {
        while (server_->hasPendingConnections()) {
            QTcpSocket* socket = server_->nextPendingConnection();
            int number = 0;
            {
                QMutexLocker lock(&shared_.mutex);
                number = ++shared_.connectionsAccepted;
                ++shared_.connectionsOpen;
            }
            new HttpConnection(socket, number, shared_, this);
        }
    }

    HttpShared& shared_;
    QTcpServer* server_ = nullptr;
};

} // namespace

QByteArray RecordedRequest::header(QByteArrayView name) const
{
    return firstHeader(headers, name);
}

bool RecordedRequest::hasHeader(QByteArrayView name) const
{
    return containsHeader(headers, name);
}

QList<QByteArray> RecordedRequest::headerValues(QByteArrayView name) const
{
    QList<QByteArray> values;
    for (const auto& [key, value] : headers) {
        if (sameHeaderName(key, name)) {
            values.append(value);
        }
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

QByteArray Response::header(QByteArrayView name) const
{
    return firstHeader(headers, name);
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

quint16 LoopbackHttpServer::port() const
{
    return d->server.port();
}

QUrl LoopbackHttpServer::baseUrl() const
{
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(d->server.port());
    return url;
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
    auto& routes = d->shared.routes;
    routes.removeIf(
        [&](const Route& route) { return route.method == method && route.path == path; });
    routes.append({method, path, std::move(handler)});
}

void LoopbackHttpServer::removeRoute(const QByteArray& method, const QString& path)
{
    QMutexLocker lock(&d->shared.mutex);
    d->shared.routes.removeIf(
        [&](const Route& route) { return route.method == method && route.path == path; });
}

void LoopbackHttpServer::setFallback(Handler handler)
{
    QMutexLocker lock(&d->shared.mutex);
    d->shared.fallback = handler ? std::move(handler) : Handler(notFound);
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
    QMutexLocker lock(&d->shared.mutex);
    QList<RecordedRequest> matching;
    for (const RecordedRequest& request : std::as_const(d->shared.requests)) {
        if ((method.isEmpty() || request.method == method) && request.path == path) {
            matching.append(request);
        }
    }
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
    if (d->shared.requests.isEmpty()) {
        return std::nullopt;
    }
    return d->shared.requests.last();
}

void LoopbackHttpServer::clearRequests()
{
    QMutexLocker lock(&d->shared.mutex);
    d->shared.requests.clear();
}

bool LoopbackHttpServer::waitForRequests(qsizetype count, std::chrono::milliseconds timeout) const
{
    return QTest::qWaitFor([&] { return requestCount() >= count; }, int(timeout.count()));
}

int LoopbackHttpServer::connectionCount() const
{
    QMutexLocker lock(&d->shared.mutex);
    return d->shared.connectionsAccepted;
}

int LoopbackHttpServer::openConnectionCount() const
{
    QMutexLocker lock(&d->shared.mutex);
    return d->shared.connectionsOpen;
}

bool LoopbackHttpServer::waitForOpenConnections(int count, std::chrono::milliseconds timeout) const
{
    return QTest::qWaitFor([&] { return openConnectionCount() == count; }, int(timeout.count()));
}

void LoopbackHttpServer::closeAllConnections()
{
    d->server.run([this] { d->server.worker().closeConnections(); });
}

} // namespace korvane::test
