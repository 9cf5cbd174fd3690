// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/LoopbackWebSocketServer.h"

#include "support/ServerThread.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QMutex>
#include <QMutexLocker>
#include <QNetworkRequest>
#include <QObject>
#include <QSemaphore>
#include <QTest>
#include <QWebSocket>
#include <QWebSocketServer>

#include <utility>

namespace korvane::test {

// State both the server's thread and the callers' threads touch.
struct WebSocketShared {
    mutable QMutex mutex;
    QList<ScriptedReply> onConnect;
    QList<std::pair<QString, ScriptedReply>> repliesByType;
    QList<WebSocketHandshake> handshakes;
    QList<WebSocketMessage> messages;
    int connectionsAccepted = 0;
    int connectionsOpen = 0;
};

namespace {

void play(QWebSocket* socket, const ScriptedReply& reply)
{
    for (const QString& text : reply.texts)
        socket->sendTextMessage(text);
    // Qt keeps the code as a number on the wire; the enum is only its parameter type.
    if (reply.closeCode)
        socket->close(static_cast<QWebSocketProtocol::CloseCode>(*reply.closeCode),
                      reply.closeReason);
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
        return server_->listen(QHostAddress::LocalHost, 0) ? server_->serverPort() : 0;
    }

    void sendText(const QString& text)
    {
        for (QWebSocket* socket : std::as_const(sockets_))
            socket->sendTextMessage(text);
    }

    void close(quint16 code, const QString& reason)
    {
        // close() can drop the socket from the list synchronously.
        const QList<QWebSocket*> sockets = sockets_;
        for (QWebSocket* socket : sockets)
            socket->close(static_cast<QWebSocketProtocol::CloseCode>(code), reason);
    }

    void shutdown()
    {
        close(QWebSocketProtocol::CloseCodeGoingAway, {});
        for (QWebSocket* socket : std::exchange(sockets_, {})) {
            socket->disconnect(this);
            socket->flush();
        }
        // Sockets already on their way out (deleteLater) go too, on this thread.
        qDeleteAll(children());
        QMutexLocker lock(&shared_.mutex);
        shared_.connectionsOpen = 0;
    }

private:
    void accept()
    {
        while (QWebSocket* socket = server_->nextPendingConnection()) {
            socket->setParent(this);
            const QNetworkRequest request = socket->request();
            WebSocketHandshake handshake{.path = request.url().path(),
                                         .query = request.url().query(QUrl::FullyEncoded)};
            for (const QByteArray& name : request.rawHeaderList())
                handshake.headers.append({name, request.rawHeader(name)});
            QList<ScriptedReply> onConnect;
            {
                QMutexLocker lock(&shared_.mutex);
                ++shared_.connectionsAccepted;
                ++shared_.connectionsOpen;
                shared_.handshakes.append(handshake);
                onConnect = shared_.onConnect;
            }
            sockets_.append(socket);
            connect(socket, &QWebSocket::textMessageReceived, this,
                    [this, socket](const QString& text) { received(socket, {text}); });
            connect(socket, &QWebSocket::disconnected, this, [this, socket] {
                if (sockets_.removeAll(socket) == 0)
                    return;
                QMutexLocker lock(&shared_.mutex);
                --shared_.connectionsOpen;
                socket->deleteLater();
            });
            for (const ScriptedReply& reply : std::as_const(onConnect))
                play(socket, reply);
        }
    }

    void received(QWebSocket* socket, const WebSocketMessage& message)
    {
        QList<ScriptedReply> replies;
        {
            QMutexLocker lock(&shared_.mutex);
            shared_.messages.append(message);
            const QString type = message.type();
            for (const auto& [replyType, reply] : std::as_const(shared_.repliesByType)) {
                if (replyType == type)
                    replies.append(reply);
            }
        }
        for (const ScriptedReply& reply : std::as_const(replies))
            play(socket, reply);
    }

    WebSocketShared& shared_;
    QWebSocketServer* server_ = nullptr;
    QList<QWebSocket*> sockets_;
};

} // namespace

QByteArray WebSocketHandshake::header(QByteArrayView name) const
{
    for (const auto& [key, value] : headers) {
        if (QByteArrayView(key).compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

std::optional<QJsonObject> WebSocketMessage::json() const
{
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    if (!document.isObject())
        return std::nullopt;
    return document.object();
}

QString WebSocketMessage::type() const
{
    return json().value_or(QJsonObject()).value(QStringLiteral("type")).toString();
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

QUrl LoopbackWebSocketServer::url() const
{
    return QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(d->server.port()));
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
    QMutexLocker lock(&d->shared.mutex);
    d->shared.repliesByType.append({type, std::move(reply)});
}

void LoopbackWebSocketServer::sendText(const QString& text)
{
    d->server.run([&] { d->server.worker().sendText(text); });
}

void LoopbackWebSocketServer::closeConnections(quint16 code, const QString& reason)
{
    d->server.run([&] { d->server.worker().close(code, reason); });
}

std::optional<WebSocketHandshake> LoopbackWebSocketServer::lastHandshake() const
{
    QMutexLocker lock(&d->shared.mutex);
    if (d->shared.handshakes.isEmpty())
        return std::nullopt;
    return d->shared.handshakes.last();
}

QList<WebSocketMessage> LoopbackWebSocketServer::messages() const
{
    QMutexLocker lock(&d->shared.mutex);
    return d->shared.messages;
}

QList<WebSocketMessage> LoopbackWebSocketServer::messagesOfType(const QString& type) const
{
    QList<WebSocketMessage> matching = messages();
    matching.removeIf([&](const WebSocketMessage& message) { return message.type() != type; });
    return matching;
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

} // namespace korvane::test
