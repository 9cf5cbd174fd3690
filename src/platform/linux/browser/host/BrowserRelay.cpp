// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/browser/host/BrowserRelay.h"

#include "platform/linux/browser/host/BrowserChannel.h"

#include <QJsonDocument>
#include <QLocalSocket>
#include <QLoggingCategory>

#include <sys/socket.h>
#include <unistd.h>

namespace korvane {

namespace {

Q_LOGGING_CATEGORY(lcRelay, "korvane.browserhost.relay", QtInfoMsg)

// Only this user's processes may drive the browser, whatever the folder's rights say.
bool isSameUser(const QLocalSocket& socket)
{
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials,
                     &size) != 0)
        return false;
    return credentials.uid == ::getuid();
}

QJsonObject parseObject(const QByteArray& message)
{
    return QJsonDocument::fromJson(message).object();
}

QByteArray compact(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

BrowserRelay::BrowserRelay(BrowserHostGreeting greeting, BrowserChannel* channel, QObject* parent)
    : QObject(parent)
    , m_greeting(std::move(greeting))
    , m_channel(channel)
{
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &BrowserRelay::accept);
    connect(m_channel, &BrowserChannel::received, this, &BrowserRelay::fromBrowser);
}

BrowserRelay::~BrowserRelay()
{
    // The server deletes its sockets after the client table is gone; a socket that says it
    // disconnected then must not reach dropClient.
    for (const auto& [socket, client] : m_clients)
        QObject::disconnect(socket, nullptr, this, nullptr);
}

bool BrowserRelay::listen(const QString& socketPath)
{
    // A socket left by a host that died holds no listener; the caller holds the lock.
    QLocalServer::removeServer(socketPath);
    return m_server.listen(socketPath);
}

QString BrowserRelay::errorString() const
{
    return m_server.errorString();
}

void BrowserRelay::command(const QString& method, const QJsonObject& params, ReplyHandler handler)
{
    const QJsonObject message{{u"method"_qs, method}, {u"params"_qs, params}};
    Pending pending;
    pending.method = method;
    pending.handler = handler ? std::move(handler) : [](const RemoteReply&) {};
    forward(message, std::move(pending));
}

qint64 BrowserRelay::forward(QJsonObject message, Pending pending)
{
    const qint64 id = m_nextId++;
    message.insert(u"id"_qs, id);
    m_pending.insert(id, std::move(pending));
    m_channel->send(compact(message));
    return id;
}

void BrowserRelay::accept()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        if (!isSameUser(*socket)) {
            qCWarning(lcRelay) << "refused a connection from another user";
            socket->abort();
            socket->deleteLater();
            continue;
        }
        m_clients.emplace(socket, Client{});
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readClient(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { dropClient(socket); });
        socket->write(MessageFrames::frame(m_greeting.toJson()));
    }
}

void BrowserRelay::readClient(QLocalSocket* socket)
{
    const auto client = m_clients.find(socket);
    if (client == m_clients.end())
        return;
    const QList<QByteArray> messages = client->second.frames.append(socket->readAll());
    for (const QByteArray& message : messages)
        fromClient(socket, message);
}

void BrowserRelay::fromClient(QLocalSocket* socket, const QByteArray& message)
{
    QJsonObject object = parseObject(message);
    const QJsonValue clientId = object.value(u"id");
    // Without a whole-number id there is no one to answer.
    if (!RemoteMessage::wholeNumber(clientId))
        return;
    const QString method = object.value(u"method").toString();
    if (method.isEmpty()) {
        refuse(socket, clientId, u"A command needs a method."_qs);
        return;
    }
    // The host's WebDriver session is the browser's only one; a client ending it would leave
    // the browser unreachable.
    if (m_greeting.protocol == RemoteProtocol::webDriverBiDi && method.startsWith(u"session.")) {
        refuse(socket, clientId, u"The browser host keeps the WebDriver session to itself."_qs);
        return;
    }
    forward(std::move(object), Pending{socket, clientId, method, {}});
}

void BrowserRelay::fromBrowser(const QByteArray& message)
{
    QJsonObject object = parseObject(message);
    const std::optional<qint64> id = RemoteMessage::wholeNumber(object.value(u"id"));
    if (!id) {
        // An event: everyone may want it.
        const QByteArray framed = MessageFrames::frame(message);
        for (const auto& [socket, client] : m_clients)
            socket->write(framed);
        return;
    }
    const auto found = m_pending.constFind(*id);
    if (found == m_pending.cend())
        return;
    const Pending pending = *found;
    m_pending.erase(found);
    if (pending.handler) {
        if (const std::optional<RemoteReply> reply = RemoteMessage::parseReply(message))
            pending.handler(*reply);
        return;
    }
    if (!pending.client)
        return;
    const auto client = m_clients.find(pending.client.data());
    if (client == m_clients.end())
        return;
    if (pending.method == u"Target.attachToTarget") {
        const QString session = object.value(u"result").toObject().value(u"sessionId").toString();
        if (!session.isEmpty())
            client->second.sessions.append(session);
    }
    object.insert(u"id"_qs, pending.clientId);
    pending.client->write(MessageFrames::frame(compact(object)));
}

void BrowserRelay::refuse(QLocalSocket* socket, const QJsonValue& id, const QString& message)
{
    QJsonObject reply;
    if (m_greeting.protocol == RemoteProtocol::webDriverBiDi)
        reply = {{u"type"_qs, u"error"_qs},
                 {u"id"_qs, id},
                 {u"error"_qs, u"unsupported operation"_qs},
                 {u"message"_qs, message}};
    else
        reply = {{u"id"_qs, id},
                 {u"error"_qs, QJsonObject{{u"code"_qs, -32600}, {u"message"_qs, message}}}};
    socket->write(MessageFrames::frame(compact(reply)));
}

void BrowserRelay::dropClient(QLocalSocket* socket)
{
    const auto client = m_clients.find(socket);
    if (client == m_clients.end())
        return;
    // Sessions a client left attached would keep their tabs under inspection.
    for (const QString& session : std::as_const(client->second.sessions))
        command(u"Target.detachFromTarget"_qs, {{u"sessionId"_qs, session}});
    m_clients.erase(client);
    socket->deleteLater();
}

} // namespace korvane
