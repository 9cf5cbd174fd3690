#include "support/LoopbackWebSocketServer.h"

namespace korvane::test {

QByteArray WebSocketHandshake::header(QByteArrayView) const
{
    return {};
}
bool WebSocketHandshake::hasHeader(QByteArrayView) const
{
    return false;
}
std::optional<QJsonObject> WebSocketMessage::json() const
{
    return {};
}
QString WebSocketMessage::type() const
{
    return {};
}

struct LoopbackWebSocketServer::Private {};

LoopbackWebSocketServer::LoopbackWebSocketServer()
    : d(std::make_unique<Private>())
{
}
LoopbackWebSocketServer::~LoopbackWebSocketServer() = default;
bool LoopbackWebSocketServer::isListening() const
{
    return false;
}
quint16 LoopbackWebSocketServer::port() const
{
    return 0;
}
QUrl LoopbackWebSocketServer::url() const
{
    return {};
}
QUrl LoopbackWebSocketServer::url(const QString&) const
{
    return {};
}
void LoopbackWebSocketServer::setSupportedSubprotocols(const QStringList&)
{
}
void LoopbackWebSocketServer::addTextOnConnect(const QString&)
{
}
void LoopbackWebSocketServer::setOnConnect(ScriptedReply)
{
}
void LoopbackWebSocketServer::addReply(const QString&, ScriptedReply)
{
}
void LoopbackWebSocketServer::addReply(MessageMatcher, ScriptedReply)
{
}
void LoopbackWebSocketServer::clearReplies()
{
}
int LoopbackWebSocketServer::sendText(const QString&)
{
    return 0;
}
int LoopbackWebSocketServer::sendText(int, const QString&)
{
    return 0;
}
int LoopbackWebSocketServer::sendBinary(const QByteArray&)
{
    return 0;
}
void LoopbackWebSocketServer::closeConnections(QWebSocketProtocol::CloseCode, const QString&)
{
}
void LoopbackWebSocketServer::closeConnection(int, QWebSocketProtocol::CloseCode, const QString&)
{
}
QList<WebSocketHandshake> LoopbackWebSocketServer::handshakes() const
{
    return {};
}
std::optional<WebSocketHandshake> LoopbackWebSocketServer::lastHandshake() const
{
    return {};
}
QList<WebSocketMessage> LoopbackWebSocketServer::messages() const
{
    return {};
}
QList<WebSocketMessage> LoopbackWebSocketServer::messagesOfType(const QString&) const
{
    return {};
}
qsizetype LoopbackWebSocketServer::messageCount() const
{
    return 0;
}
void LoopbackWebSocketServer::clearMessages()
{
}
int LoopbackWebSocketServer::connectionCount() const
{
    return 0;
}
int LoopbackWebSocketServer::openConnectionCount() const
{
    return 0;
}
bool LoopbackWebSocketServer::waitForConnections(int, std::chrono::milliseconds) const
{
    return false;
}
bool LoopbackWebSocketServer::waitForOpenConnections(int, std::chrono::milliseconds) const
{
    return false;
}
bool LoopbackWebSocketServer::waitForMessages(qsizetype, std::chrono::milliseconds) const
{
    return false;
}
bool LoopbackWebSocketServer::waitForMessageOfType(const QString&, std::chrono::milliseconds) const
{
    return false;
}

} // namespace korvane::test
