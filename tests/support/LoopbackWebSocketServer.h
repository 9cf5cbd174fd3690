// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/LoopbackHttpServer.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <memory>
#include <optional>

namespace korvane::test {

// The opening handshake of one client connection, as a GET request without a body.
using WebSocketHandshake = RecordedRequest;

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
    // Then close with this code, an application's own (4000–4999) included.
    std::optional<quint16> closeCode{};
    QString closeReason{};
};

// A WebSocket server (no TLS) on an ephemeral port of 127.0.0.1, on a thread of its own like
// LoopbackHttpServer. It records each handshake and every client message, and plays scripted
// events: on connect, on demand, and in reply to client messages.
class LoopbackWebSocketServer final {
public:
    LoopbackWebSocketServer();
    ~LoopbackWebSocketServer();
    LoopbackWebSocketServer(const LoopbackWebSocketServer&) = delete;
    LoopbackWebSocketServer& operator=(const LoopbackWebSocketServer&) = delete;

    // ws://127.0.0.1:PORT
    QUrl url() const;

    // Sent to every client right after its handshake, in the order added.
    void addTextOnConnect(const QString& text);
    // Replaces what addTextOnConnect() added.
    void setOnConnect(ScriptedReply reply);
    // When a client sends a JSON object whose "type" is `type`, `reply` goes to that client.
    void addReply(const QString& type, ScriptedReply reply);

    // To every connected client, now.
    void sendText(const QString& text);
    void closeConnections(quint16 code, const QString& reason);

    // Stops the server's thread as a hung server or a dead link would: nothing is read or
    // answered (pings included) and nothing closed until the server is destroyed. Only what was
    // recorded may be read from a frozen server.
    void freeze();

    std::optional<WebSocketHandshake> lastHandshake() const;
    QList<WebSocketMessage> messages() const;
    QList<WebSocketMessage> messagesOfType(const QString& type) const;

    // Handshakes completed since start, and clients connected right now. The waits process
    // the caller's events until the count is reached or the time is up.
    int connectionCount() const;
    int openConnectionCount() const;
    bool waitForConnections(int count,
                            std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    bool waitForOpenConnections(int count,
                                std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace korvane::test
