// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/LoopbackWebSocketServer.h"

#include "support/ServerThread.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QMutex>
#include <QMutexLocker>
#include <QNetworkRequest>
#include <QSemaphore>
#include <QTest>
#include <QWebSocket>
#include <QWebSocketServer>

#include <utility>

namespace korvane::test {

// State both the server's thread and the callers' threads touch.
struct WebSocketShared {
    mutable QMutex mutex;
    ScriptedReply onConnect;
    QList<std::pair<QString, ScriptedReply>> repliesByType;
    QList<WebSocketHandshake> handshakes;
    QList<WebSocketMessage> messages;
    int openConnections = 0;
};

namespace {

void play(QWebSocket* socket, const ScriptedReply& reply)
{
    for (const QString& text : reply.texts)
        socket->sendTextMessage(text);
    // The enum is only the parameter's type: any code goes on the wire as a number.
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
        // A copy: close() can drop the socket from the list at once.
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
        const QObjectList objects = children();
        qDeleteAll(objects);
    }

private:
    void accept()
    {
        while (QWebSocket* socket = server_->nextPendingConnection()) {
            socket->setParent(this);
            const QNetworkRequest request = socket->request();
            WebSocketHandshake handshake{.method = "GET",
                                         .path = request.url().path(),
                                         .query = request.url().query(QUrl::FullyEncoded)};
            for (const QByteArray& name : request.rawHeaderList())
                handshake.headers.append({name, request.rawHeader(name)});
            ScriptedReply onConnect;
            {
                QMutexLocker lock(&shared_.mutex);
                ++shared_.openConnections;
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
                --shared_.openConnections;
                socket->deleteLater();
            });
            play(socket, onConnect);
        }
    }

    void received(QWebSocket* socket, const WebSocketMessage& message)
    {
        QList<ScriptedReply> replies;
        {
            QMutexLocker lock(&shared_.mutex);
            shared_.messages.append(message);
            for (const auto& [type, reply] : std::as_const(shared_.repliesByType)) {
                if (type == message.type())
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

std::optional<QJsonObject> WebSocketMessage::json() const
{
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    return document.isObject() ? std::optional(document.object()) : std::nullopt;
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

QUrl LoopbackWebSocketServer::url() const
{
    return QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(d->server.port()));
}

void LoopbackWebSocketServer::addTextOnConnect(const QString& text)
{
    QMutexLocker lock(&d->shared.mutex);
    d->shared.onConnect.texts.append(text);
}

void LoopbackWebSocketServer::setOnConnect(ScriptedReply reply)
{
    QMutexLocker lock(&d->shared.mutex);
    d->shared.onConnect = std::move(reply);
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

void LoopbackWebSocketServer::freeze()
{
    if (std::exchange(d->frozen, true))
        return;
    QMetaObject::invokeMethod(
        &d->server.worker(), [this] { d->thaw.acquire(); }, Qt::QueuedConnection);
}

std::optional<WebSocketHandshake> LoopbackWebSocketServer::lastHandshake() const
{
    QMutexLocker lock(&d->shared.mutex);
    const QList<WebSocketHandshake>& all = d->shared.handshakes;
    return all.isEmpty() ? std::nullopt : std::optional(all.last());
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
    return int(d->shared.handshakes.size());
}

int LoopbackWebSocketServer::openConnectionCount() const
{
    QMutexLocker lock(&d->shared.mutex);
    return d->shared.openConnections;
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
