#include "support/LoopbackWebSocketServer.h"

#include "support/ServerThread.h"

#include <QHash>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QMutex>
#include <QMutexLocker>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QSemaphore>
#include <QTest>
#include <QTimer>
#include <QWebSocket>
#include <QWebSocketServer>

#include <algorithm>
#include <utility>

namespace korvane::test {

namespace {

struct ReplyRule {
    int id = 0;
    LoopbackWebSocketServer::MessageMatcher match{};
    ScriptedReply reply{};
    LoopbackWebSocketServer::ReplyMaker make{};
    bool spent = false;
};

} // namespace

// State both the server's thread and the callers' threads touch.
struct WebSocketShared {
    mutable QMutex mutex;
    QStringList subprotocols;
    QList<ScriptedReply> onConnect;
    QList<ReplyRule> rules;
    int nextRuleId = 1;
    QList<WebSocketHandshake> handshakes;
    QList<WebSocketMessage> messages;
    int connectionsAccepted = 0;
    int connectionsOpen = 0;
};

namespace {

void play(QWebSocket* socket, const ScriptedReply& reply)
{
    for (const QString& text : reply.texts) {
        socket->sendTextMessage(text);
    }
    for (const QByteArray& data : reply.binaries) {
        socket->sendBinaryMessage(data);
    }
    if (reply.closeCode) {
        // Qt keeps the code as a number on the wire; the enum is only its parameter type.
        socket->close(static_cast<QWebSocketProtocol::CloseCode>(*reply.closeCode),
                      reply.closeReason);
    }
}

// Plays now, or after the reply's delay unless the client left meanwhile.
void schedule(QWebSocket* socket, const ScriptedReply& reply)
{
    if (reply.delay.count() <= 0) {
        play(socket, reply);
        return;
    }
    QTimer::singleShot(reply.delay, socket, [socket = QPointer<QWebSocket>(socket), reply] {
        if (socket) {
            play(socket, reply);
        }
    });
}

// Lives on the server's thread and owns everything network there.
class WebSocketWorker final : public QObject {
public:
    explicit WebSocketWorker(WebSocketShared& shared)
        : shared_(shared)
    {
    }

    quint16 listen()
    {
        server_ = new QWebSocketServer(QStringLiteral("korvane-loopback"),
                                       QWebSocketServer::NonSecureMode, this);
        connect(server_, &QWebSocketServer::newConnection, this, &WebSocketWorker::accept);
        if (!server_->listen(QHostAddress::LocalHost, 0)) {
            return 0;
        }
        return server_->serverPort();
    }

    void setSubprotocols(const QStringList& protocols)
    {
        if (server_) {
            server_->setSupportedSubprotocols(protocols);
        }
    }

    int send(std::optional<int> connection, const QString* text, const QByteArray* data)
    {
        int sent = 0;
        for (auto it = sockets_.cbegin(); it != sockets_.cend(); ++it) {
            if (connection && it.key() != *connection) {
                continue;
            }
            if (text) {
                it.value()->sendTextMessage(*text);
            } else {
                it.value()->sendBinaryMessage(*data);
            }
            ++sent;
        }
        return sent;
    }

    void close(std::optional<int> connection, quint16 code, const QString& reason)
    {
        // close() can drop the socket from the map synchronously.
        const QHash<int, QWebSocket*> sockets = sockets_;
        for (auto it = sockets.cbegin(); it != sockets.cend(); ++it) {
            if (!connection || it.key() == *connection) {
                it.value()->close(static_cast<QWebSocketProtocol::CloseCode>(code), reason);
            }
        }
    }

    void shutdown()
    {
        close(std::nullopt, QWebSocketProtocol::CloseCodeGoingAway, {});
        const QHash<int, QWebSocket*> sockets = std::exchange(sockets_, {});
        for (QWebSocket* socket : sockets) {
            socket->disconnect(this);
            socket->flush();
            delete socket;
        }
        {
            QMutexLocker lock(&shared_.mutex);
            shared_.connectionsOpen = 0;
        }
        if (server_) {
            server_->close();
            delete server_;
            server_ = nullptr;
        }
        // Sockets already on their way out (deleteLater) must go on this thread too.
        qDeleteAll(findChildren<QWebSocket*>(Qt::FindDirectChildrenOnly));
    }

private:
    void accept()
    {
        while (server_->hasPendingConnections()) {
            QWebSocket* socket = server_->nextPendingConnection();
            socket->setParent(this);
            const QNetworkRequest request = socket->request();
            const QUrl url = request.url();
            WebSocketHandshake handshake{
                .path = url.path(),
                .query = url.query(QUrl::FullyEncoded),
            };
            const QList<QByteArray> names = request.rawHeaderList();
            for (const QByteArray& name : names) {
                handshake.headers.append({name, request.rawHeader(name)});
            }
            int number = 0;
            QList<ScriptedReply> onConnect;
            {
                QMutexLocker lock(&shared_.mutex);
                number = ++shared_.connectionsAccepted;
                ++shared_.connectionsOpen;
                handshake.connection = number;
                shared_.handshakes.append(handshake);
                onConnect = shared_.onConnect;
            }
            sockets_.insert(number, socket);
            connect(socket, &QWebSocket::textMessageReceived, this,
                    [this, socket, number](const QString& text) {
                        received(socket, {.connection = number, .text = text});
                    });
            connect(socket, &QWebSocket::binaryMessageReceived, this,
                    [this, socket, number](const QByteArray& data) {
                        received(socket, {.connection = number, .isBinary = true, .data = data});
                    });
            connect(socket, &QWebSocket::disconnected, this, [this, socket, number] {
                if (sockets_.remove(number) == 0) {
                    return;
                }
                {
                    QMutexLocker lock(&shared_.mutex);
                    --shared_.connectionsOpen;
                }
                socket->deleteLater();
            });
            for (const ScriptedReply& reply : std::as_const(onConnect)) {
                schedule(socket, reply);
            }
        }
    }

    void received(QWebSocket* socket, WebSocketMessage message)
    {
        QList<ReplyRule> rules;
        {
            QMutexLocker lock(&shared_.mutex);
            shared_.messages.append(message);
            rules = shared_.rules;
        }
        // Matchers are the tests' code: run them without the lock, so they may use the server.
        QList<ScriptedReply> replies;
        for (const ReplyRule& rule : std::as_const(rules)) {
            if (rule.spent || !rule.match || !rule.match(message)) {
                continue;
            }
            ScriptedReply reply = rule.make ? rule.make(message) : rule.reply;
            if (reply.once) {
                QMutexLocker lock(&shared_.mutex);
                auto current = std::find_if(shared_.rules.begin(), shared_.rules.end(),
                                            [&](const ReplyRule& r) { return r.id == rule.id; });
                if (current == shared_.rules.end() || current->spent) {
                    continue;
                }
                current->spent = true;
            }
            replies.append(std::move(reply));
        }
        for (const ScriptedReply& reply : std::as_const(replies)) {
            schedule(socket, reply);
        }
    }

    WebSocketShared& shared_;
    QWebSocketServer* server_ = nullptr;
    QHash<int, QWebSocket*> sockets_;
};

QByteArray firstHeader(const HeaderList& headers, QByteArrayView name)
{
    for (const auto& [key, value] : headers) {
        if (QByteArrayView(key).compare(name, Qt::CaseInsensitive) == 0) {
            return value;
        }
    }
    return {};
}

} // namespace

QByteArray WebSocketHandshake::header(QByteArrayView name) const
{
    return firstHeader(headers, name);
}

bool WebSocketHandshake::hasHeader(QByteArrayView name) const
{
    return std::any_of(headers.begin(), headers.end(), [name](const auto& header) {
        return QByteArrayView(header.first).compare(name, Qt::CaseInsensitive) == 0;
    });
}

std::optional<QJsonObject> WebSocketMessage::json() const
{
    if (isBinary) {
        return std::nullopt;
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return std::nullopt;
    }
    return document.object();
}

QString WebSocketMessage::type() const
{
    const std::optional<QJsonObject> object = json();
    return object ? object->value(QStringLiteral("type")).toString() : QString();
}

struct LoopbackWebSocketServer::Private {
    WebSocketShared shared;
    ServerThread<WebSocketWorker> server{QStringLiteral("LoopbackWebSocketServer"), shared};
    // Released once to thaw a frozen server thread.
    QSemaphore thaw;
    bool frozen = false;
};

LoopbackWebSocketServer::LoopbackWebSocketServer()
    : d(std::make_unique<Private>())
{
}

LoopbackWebSocketServer::~LoopbackWebSocketServer()
{
    if (d->frozen)
        d->thaw.release();
}

void LoopbackWebSocketServer::freeze()
{
    if (std::exchange(d->frozen, true))
        return;
    QMetaObject::invokeMethod(
        &d->server.worker(), [this] { d->thaw.acquire(); }, Qt::QueuedConnection);
}

bool LoopbackWebSocketServer::isListening() const
{
    return d->server.port() != 0;
}

quint16 LoopbackWebSocketServer::port() const
{
    return d->server.port();
}

QUrl LoopbackWebSocketServer::url() const
{
    QUrl url;
    url.setScheme(QStringLiteral("ws"));
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(d->server.port());
    return url;
}

QUrl LoopbackWebSocketServer::url(const QString& pathAndQuery) const
{
    return QUrl(url().toString() + pathAndQuery);
}

void LoopbackWebSocketServer::setSupportedSubprotocols(const QStringList& protocols)
{
    d->server.run([this, protocols] { d->server.worker().setSubprotocols(protocols); });
}

void LoopbackWebSocketServer::addTextOnConnect(const QString& text)
{
    QMutexLocker lock(&d->shared.mutex);
    d->shared.onConnect.append({.texts = {text}});
}

void LoopbackWebSocketServer::setOnConnect(ScriptedReply reply)
{
    QMutexLocker lock(&d->shared.mutex);
    d->shared.onConnect = {std::move(reply)};
}

void LoopbackWebSocketServer::addReply(const QString& type, ScriptedReply reply)
{
    addReply([type](const WebSocketMessage& message) { return message.type() == type; },
             std::move(reply));
}

void LoopbackWebSocketServer::addReply(MessageMatcher match, ScriptedReply reply)
{
    QMutexLocker lock(&d->shared.mutex);
    d->shared.rules.append(
        {.id = d->shared.nextRuleId++, .match = std::move(match), .reply = std::move(reply)});
}

void LoopbackWebSocketServer::addReplyMaker(MessageMatcher match, ReplyMaker make)
{
    QMutexLocker lock(&d->shared.mutex);
    d->shared.rules.append(
        {.id = d->shared.nextRuleId++, .match = std::move(match), .make = std::move(make)});
}

void LoopbackWebSocketServer::clearReplies()
{
    QMutexLocker lock(&d->shared.mutex);
    d->shared.rules.clear();
    d->shared.onConnect.clear();
}

int LoopbackWebSocketServer::sendText(const QString& text)
{
    int sent = 0;
    d->server.run([&] { sent = d->server.worker().send(std::nullopt, &text, nullptr); });
    return sent;
}

int LoopbackWebSocketServer::sendText(int connection, const QString& text)
{
    int sent = 0;
    d->server.run([&] { sent = d->server.worker().send(connection, &text, nullptr); });
    return sent;
}

int LoopbackWebSocketServer::sendBinary(const QByteArray& data)
{
    int sent = 0;
    d->server.run([&] { sent = d->server.worker().send(std::nullopt, nullptr, &data); });
    return sent;
}

void LoopbackWebSocketServer::closeConnections(quint16 code, const QString& reason)
{
    d->server.run([&] { d->server.worker().close(std::nullopt, code, reason); });
}

void LoopbackWebSocketServer::closeConnection(int connection, quint16 code, const QString& reason)
{
    d->server.run([&] { d->server.worker().close(connection, code, reason); });
}

QList<WebSocketHandshake> LoopbackWebSocketServer::handshakes() const
{
    QMutexLocker lock(&d->shared.mutex);
    return d->shared.handshakes;
}

std::optional<WebSocketHandshake> LoopbackWebSocketServer::lastHandshake() const
{
    QMutexLocker lock(&d->shared.mutex);
    if (d->shared.handshakes.isEmpty()) {
        return std::nullopt;
    }
    return d->shared.handshakes.last();
}

QList<WebSocketMessage> LoopbackWebSocketServer::messages() const
{
    QMutexLocker lock(&d->shared.mutex);
    return d->shared.messages;
}

QList<WebSocketMessage> LoopbackWebSocketServer::messagesOfType(const QString& type) const
{
    QList<WebSocketMessage> matching;
    const QList<WebSocketMessage> all = messages();
    std::copy_if(all.begin(), all.end(), std::back_inserter(matching),
                 [&](const WebSocketMessage& message) { return message.type() == type; });
    return matching;
}

qsizetype LoopbackWebSocketServer::messageCount() const
{
    QMutexLocker lock(&d->shared.mutex);
    return d->shared.messages.size();
}

void LoopbackWebSocketServer::clearMessages()
{
    QMutexLocker lock(&d->shared.mutex);
    d->shared.messages.clear();
}

int LoopbackWebSocketServer::connectionCount() const
{
    QMutexLocker lock(&d->shared.mutex);
    return d->shared.connectionsAccepted;
}

int LoopbackWebSocketServer::openConnectionCount() const
{
    QMutexLocker lock(&d->shared.mutex);
    return d->shared.connectionsOpen;
}

bool LoopbackWebSocketServer::waitForConnections(int count, std::chrono::milliseconds timeout) const
{
    return QTest::qWaitFor([&] { return connectionCount() >= count; }, int(timeout.count()));
}

bool LoopbackWebSocketServer::waitForOpenConnections(int count,
                                                     std::chrono::milliseconds timeout) const
{
    return QTest::qWaitFor([&] { return openConnectionCount() == count; }, int(timeout.count()));
}

bool LoopbackWebSocketServer::waitForMessages(qsizetype count,
                                              std::chrono::milliseconds timeout) const
{
    return QTest::qWaitFor([&] { return messageCount() >= count; }, int(timeout.count()));
}

bool LoopbackWebSocketServer::waitForMessageOfType(const QString& type,
                                                   std::chrono::milliseconds timeout) const
{
    return QTest::qWaitFor([&] { return !messagesOfType(type).isEmpty(); }, int(timeout.count()));
}

} // namespace korvane::test
