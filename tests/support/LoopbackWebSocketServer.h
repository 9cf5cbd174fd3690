// SPDX-License-Identifier: GPL-3.0-or-later
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
#include <memory>
#include <optional>

namespace korvane::test {

// The opening handshake of one client connection.
struct WebSocketHandshake {
    // Path of the request URL, without the query.
    QString path{};
    // Query without the '?'; empty when there was none.
    QString query{};
    // Every request header, names as received.
    HeaderList headers{};

    // The first header of that name, compared case-insensitively; empty when absent.
    QByteArray header(QByteArrayView name) const;
};

// One text message a client sent.
struct WebSocketMessage {
    QString text{};

    // The text parsed as a JSON object; nothing when it is not an object.
    std::optional<QJsonObject> json() const;
    // The JSON object's "type" string; empty when there is none.
    QString type() const;
};

// What the server sends to a client on connect, or in answer to one of its messages.
struct ScriptedReply {
    QStringList texts{};
    // After sending, close the connection with this code: a QWebSocketProtocol::CloseCode or an
    // application's own (4000–4999), which that enum cannot hold.
    std::optional<quint16> closeCode{};
    QString closeReason{};
};

// A WebSocket server (no TLS) on an ephemeral port of 127.0.0.1, for tests. Its sockets live on
// their own thread, so it keeps talking while the test's thread is blocked; every member
// function is safe to call from any thread. It records each handshake and every client message
// in order, and plays scripted events: on connect, on demand, and in reply to client messages.
class LoopbackWebSocketServer final {
public:
    LoopbackWebSocketServer();
    // Closes every connection (code 1001, going away) and stops.
    ~LoopbackWebSocketServer();
    LoopbackWebSocketServer(const LoopbackWebSocketServer&) = delete;
    LoopbackWebSocketServer& operator=(const LoopbackWebSocketServer&) = delete;

    // ws://127.0.0.1:PORT
    QUrl url() const;

    // Sent to every client right after its handshake, in the order added.
    void addTextOnConnect(const QString& text);
    // Replaces what addTextOnConnect() added.
    void setOnConnect(ScriptedReply reply);
    // When a client sends a JSON object whose "type" is `type`, send `reply` to that client.
    void addReply(const QString& type, ScriptedReply reply);

    // Sent to every connected client now.
    void sendText(const QString& text);
    // Closes every connected client with that code.
    void closeConnections(quint16 code, const QString& reason);

    // Stops the server's thread as a hung server or a dead network link would: nothing is read
    // or answered (pings included) and nothing is closed, until the server is destroyed. Only
    // what was recorded (handshakes, messages, counts) may be read from a frozen server.
    void freeze();

    std::optional<WebSocketHandshake> lastHandshake() const;
    QList<WebSocketMessage> messages() const;
    // The client messages whose JSON "type" is `type`.
    QList<WebSocketMessage> messagesOfType(const QString& type) const;

    // Handshakes completed since start.
    int connectionCount() const;
    // Clients connected right now.
    int openConnectionCount() const;

    // Each processes the caller's events until the count is reached or the time is up.
    bool waitForConnections(int count,
                            std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    bool waitForOpenConnections(int count,
                                std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace korvane::test
