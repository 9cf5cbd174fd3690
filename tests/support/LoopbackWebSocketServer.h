#pragma once

#include "support/LoopbackHttpServer.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWebSocketProtocol>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace korvane::test {

// The opening handshake of one client connection.
struct WebSocketHandshake {
    // 1 for the first client, 2 for the next…
    int connection = 0;
    // Path of the request URL, without the query.
    QString path{};
    // Query without the '?'; empty when there was none.
    QString query{};
    // Every request header, names as received.
    HeaderList headers{};

    // The first header of that name, compared case-insensitively; empty when absent.
    QByteArray header(QByteArrayView name) const;
    bool hasHeader(QByteArrayView name) const;

    bool operator==(const WebSocketHandshake&) const = default;
};

// One message a client sent.
struct WebSocketMessage {
    int connection = 0;
    bool isBinary = false;
    // The text of a text message.
    QString text{};
    // The payload of a binary message.
    QByteArray data{};

    // The text parsed as a JSON object; nothing when it is binary or not an object.
    std::optional<QJsonObject> json() const;
    // The JSON object's "type" string; empty when there is none.
    QString type() const;

    bool operator==(const WebSocketMessage&) const = default;
};

// What the server does in answer to a client message (or on connect).
struct ScriptedReply {
    // Sent in order, texts first, then binaries.
    QStringList texts{};
    QList<QByteArray> binaries{};
    // Wait this long before sending.
    std::chrono::milliseconds delay{0};
    // After sending, close the connection with this code: a QWebSocketProtocol::CloseCode or an
    // application's own (4000–4999), which that enum cannot hold.
    std::optional<quint16> closeCode{};
    QString closeReason{};
    // Fire for the first matching message only.
    bool once = false;
};

// A WebSocket server (no TLS) on an ephemeral port of 127.0.0.1, for tests. Its sockets live on
// their own thread, so it keeps talking while the test's thread is blocked; every member
// function is safe to call from any thread. It records each handshake and every client message
// in order, and plays scripted events: on connect, on demand, and in reply to matching client
// messages.
class LoopbackWebSocketServer final {
public:
    // Called on the server's thread; must return quickly.
    using MessageMatcher = std::function<bool(const WebSocketMessage&)>;
    using ReplyMaker = std::function<ScriptedReply(const WebSocketMessage&)>;

    LoopbackWebSocketServer();
    // Closes every connection (code 1001, going away) and stops.
    ~LoopbackWebSocketServer();
    LoopbackWebSocketServer(const LoopbackWebSocketServer&) = delete;
    LoopbackWebSocketServer& operator=(const LoopbackWebSocketServer&) = delete;

    bool isListening() const;
    quint16 port() const;
    // ws://127.0.0.1:PORT
    QUrl url() const;
    // url() with `pathAndQuery` ("/v1/realtime?model=m") appended.
    QUrl url(const QString& pathAndQuery) const;

    // Subprotocols the server accepts, preferred first (none by default).
    void setSupportedSubprotocols(const QStringList& protocols);

    // Sent to every client right after its handshake, in the order added.
    void addTextOnConnect(const QString& text);
    void setOnConnect(ScriptedReply reply);
    // When a client sends a JSON object whose "type" is `type`, send `reply` to that client.
    void addReply(const QString& type, ScriptedReply reply);
    // When `match` accepts a client message, send `reply` to that client. Every matching rule
    // fires, in the order added.
    void addReply(MessageMatcher match, ScriptedReply reply);
    // Like addReply(), with the reply made from the message (to echo an id back, say).
    void addReplyMaker(MessageMatcher match, ReplyMaker make);
    void clearReplies();

    // Sent to every connected client now; returns how many clients it went to.
    int sendText(const QString& text);
    int sendText(int connection, const QString& text);
    int sendBinary(const QByteArray& data);
    // Closes every connected client with that code.
    void closeConnections(quint16 code = QWebSocketProtocol::CloseCodeNormal,
                          const QString& reason = {});
    void closeConnection(int connection, quint16 code = QWebSocketProtocol::CloseCodeNormal,
                         const QString& reason = {});

    // Stops the server's thread as a hung server or a dead network link would: nothing is read
    // or answered (pings included) and nothing is closed, until the server is destroyed. Only
    // what was recorded (handshakes, messages, counts) may be read from a frozen server.
    void freeze();

    QList<WebSocketHandshake> handshakes() const;
    std::optional<WebSocketHandshake> lastHandshake() const;
    QList<WebSocketMessage> messages() const;
    // The client messages whose JSON "type" is `type`.
    QList<WebSocketMessage> messagesOfType(const QString& type) const;
    qsizetype messageCount() const;
    void clearMessages();

    // Handshakes completed since start.
    int connectionCount() const;
    // Clients connected right now.
    int openConnectionCount() const;

    // Each processes the caller's events until the condition holds or the time is up.
    bool waitForConnections(int count,
                            std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    bool waitForOpenConnections(int count,
                                std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    bool waitForMessages(qsizetype count,
                         std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    bool waitForMessageOfType(const QString& type,
                              std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace korvane::test
