#include "support/LoopbackWebSocketServer.h"

#include <QNetworkRequest>
#include <QTest>
#include <QWebSocket>
#include <QWebSocketHandshakeOptions>

#include <memory>

using namespace korvane::test;
using namespace std::chrono_literals;

namespace {

// A client that keeps everything the server sent it.
class Client final {
public:
    Client()
    {
        QObject::connect(&socket, &QWebSocket::textMessageReceived, &socket,
                         [this](const QString& text) { texts.append(text); });
        QObject::connect(&socket, &QWebSocket::binaryMessageReceived, &socket,
                         [this](const QByteArray& data) { binaries.append(data); });
        QObject::connect(&socket, &QWebSocket::disconnected, &socket, [this] { closed = true; });
    }

    bool open(const QNetworkRequest& request)
    {
        socket.open(request);
        return QTest::qWaitFor(
                   [this] { return socket.state() == QAbstractSocket::ConnectedState || closed; },
                   5000) &&
               !closed;
    }

    bool waitForTexts(qsizetype count)
    {
        return QTest::qWaitFor([&] { return texts.size() >= count; }, 5000);
    }

    bool waitForClosed()
    {
        return QTest::qWaitFor([&] { return closed; }, 5000);
    }

    QWebSocket socket;
    QStringList texts;
    QList<QByteArray> binaries;
    bool closed = false;
};

QString typed(const QString& type)
{
    return QStringLiteral("{\"type\":\"") + type + QStringLiteral("\"}");
}

} // namespace

class LoopbackWebSocketServerTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void listensOnLoopback();
    void recordsTheHandshake();
    void recordsClientMessagesInOrder();
    void sendsOnConnectBeforeAnythingElse();
    void scriptedReplies_data();
    void scriptedReplies();
    void repliesGoOnlyToTheSender();
    void sendsOnDemand();
    void closesWithACode_data();
    void closesWithACode();
    void negotiatesSubprotocols();
    void destructionWithAClientStillConnected();
};

void LoopbackWebSocketServerTest::listensOnLoopback()
{
    LoopbackWebSocketServer server;
    QVERIFY(server.isListening());
    QCOMPARE(server.url().toString(),
             QStringLiteral("ws://127.0.0.1:") + QString::number(server.port()));
    QCOMPARE(server.url(u"/v1/realtime?model=m"_qs).path(), u"/v1/realtime"_qs);
}

void LoopbackWebSocketServerTest::recordsTheHandshake()
{
    LoopbackWebSocketServer server;
    QNetworkRequest request(server.url(u"/v1/realtime?model=gpt%20x&v=2"_qs));
    request.setRawHeader("Authorization", "Bearer test-token");
    request.setRawHeader("OpenAI-Beta", "realtime=v1");
    Client client;
    QVERIFY(client.open(request));
    QVERIFY(server.waitForConnections(1));

    const std::optional<WebSocketHandshake> handshake = server.lastHandshake();
    QVERIFY(handshake);
    QCOMPARE(handshake->connection, 1);
    QCOMPARE(handshake->path, u"/v1/realtime"_qs);
    QCOMPARE(handshake->query, u"model=gpt%20x&v=2"_qs);
    QCOMPARE(handshake->header("authorization"), QByteArray("Bearer test-token"));
    QCOMPARE(handshake->header("openai-beta"), QByteArray("realtime=v1"));
    QVERIFY(handshake->hasHeader("Sec-WebSocket-Key"));
    QVERIFY(!handshake->hasHeader("X-Absent"));
    QCOMPARE(server.openConnectionCount(), 1);

    client.socket.close();
    QVERIFY(server.waitForOpenConnections(0));
    QCOMPARE(server.connectionCount(), 1);
}

void LoopbackWebSocketServerTest::recordsClientMessagesInOrder()
{
    LoopbackWebSocketServer server;
    Client first;
    Client second;
    QVERIFY(first.open(QNetworkRequest(server.url())));
    QVERIFY(server.waitForConnections(1));
    QVERIFY(second.open(QNetworkRequest(server.url())));
    QVERIFY(server.waitForConnections(2));

    first.socket.sendTextMessage(typed(u"a"_qs));
    QVERIFY(server.waitForMessages(1));
    first.socket.sendBinaryMessage(QByteArray("\x00\x01\xff", 3));
    QVERIFY(server.waitForMessages(2));
    second.socket.sendTextMessage(u"plain text"_qs);
    QVERIFY(server.waitForMessages(3));
    first.socket.sendTextMessage(typed(u"b"_qs));
    QVERIFY(server.waitForMessages(4));

    const QList<WebSocketMessage> messages = server.messages();
    const QList<WebSocketMessage> expected{
        {.connection = 1, .text = typed(u"a"_qs)},
        {.connection = 1, .isBinary = true, .data = QByteArray("\x00\x01\xff", 3)},
        {.connection = 2, .text = u"plain text"_qs},
        {.connection = 1, .text = typed(u"b"_qs)},
    };
    QCOMPARE(messages, expected);
    QCOMPARE(messages[0].type(), u"a"_qs);
    QCOMPARE(messages[1].type(), QString());
    QVERIFY(!messages[2].json());
    QCOMPARE(server.messagesOfType(u"b"_qs), QList<WebSocketMessage>{expected[3]});

    server.clearMessages();
    QCOMPARE(server.messageCount(), 0);
}

void LoopbackWebSocketServerTest::sendsOnConnectBeforeAnythingElse()
{
    LoopbackWebSocketServer server;
    server.addTextOnConnect(typed(u"session.created"_qs));
    server.addTextOnConnect(typed(u"rate_limits.updated"_qs));
    server.addReply(u"ping"_qs, {.texts = {typed(u"pong"_qs)}});

    Client client;
    QVERIFY(client.open(QNetworkRequest(server.url())));
    client.socket.sendTextMessage(typed(u"ping"_qs));
    QVERIFY(client.waitForTexts(3));
    QCOMPARE(client.texts, (QStringList{typed(u"session.created"_qs),
                                        typed(u"rate_limits.updated"_qs), typed(u"pong"_qs)}));
}

void LoopbackWebSocketServerTest::scriptedReplies_data()
{
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QStringList>("expected");

    const QString update = typed(u"session.update"_qs);
    const QString create = typed(u"response.create"_qs);
    const QString once = typed(u"once"_qs);
    QTest::newRow("reply by type")
        << QStringList{update} << QStringList{typed(u"session.updated"_qs)};
    QTest::newRow("several texts, in order")
        << QStringList{create}
        << QStringList{typed(u"response.created"_qs), typed(u"response.done"_qs)};
    QTest::newRow("every matching rule fires")
        << QStringList{u"{\"type\":\"session.update\",\"loud\":true}"_qs}
        << QStringList{typed(u"session.updated"_qs), typed(u"loud"_qs)};
    QTest::newRow("once fires only for the first")
        << QStringList{once, once, update}
        << QStringList{typed(u"first only"_qs), typed(u"session.updated"_qs)};
    QTest::newRow("reply made from the message")
        << QStringList{u"{\"type\":\"echo\",\"id\":\"e1\"}"_qs,
                       u"{\"type\":\"echo\",\"id\":\"e2\"}"_qs}
        << QStringList{typed(u"echoed e1"_qs), typed(u"echoed e2"_qs)};
    QTest::newRow("delayed reply")
        << QStringList{typed(u"slow"_qs)} << QStringList{typed(u"late"_qs)};
    QTest::newRow("unmatched types and non-JSON get nothing")
        << QStringList{typed(u"other"_qs), u"session.update"_qs, u"[1,2]"_qs, update}
        << QStringList{typed(u"session.updated"_qs)};
}

void LoopbackWebSocketServerTest::scriptedReplies()
{
    QFETCH(QStringList, sent);
    QFETCH(QStringList, expected);

    LoopbackWebSocketServer server;
    server.addReply(u"session.update"_qs, {.texts = {typed(u"session.updated"_qs)}});
    server.addReply(u"response.create"_qs,
                    {.texts = {typed(u"response.created"_qs), typed(u"response.done"_qs)}});
    server.addReply(
        [](const WebSocketMessage& message) {
            return message.json().value_or(QJsonObject()).value(u"loud"_qs).toBool();
        },
        {.texts = {typed(u"loud"_qs)}});
    server.addReply(u"once"_qs, {.texts = {typed(u"first only"_qs)}, .once = true});
    server.addReplyMaker(
        [](const WebSocketMessage& message) { return message.type() == u"echo"_qs; },
        [](const WebSocketMessage& message) {
            const QString id = message.json()->value(u"id"_qs).toString();
            return ScriptedReply{.texts = {typed(u"echoed "_qs + id)}};
        });
    server.addReply(u"slow"_qs, {.texts = {typed(u"late"_qs)}, .delay = 100ms});

    Client client;
    QVERIFY(client.open(QNetworkRequest(server.url())));
    for (const QString& text : std::as_const(sent)) {
        client.socket.sendTextMessage(text);
    }
    QVERIFY(client.waitForTexts(expected.size()));
    // Replies go out in message order, so anything extra comes before the marker's answer.
    server.addReply(u"marker"_qs, {.texts = {typed(u"marker"_qs)}});
    client.socket.sendTextMessage(typed(u"marker"_qs));
    QVERIFY(client.waitForTexts(expected.size() + 1));
    QCOMPARE(client.texts, expected + QStringList{typed(u"marker"_qs)});
    QCOMPARE(server.messageCount(), sent.size() + 1);
}

void LoopbackWebSocketServerTest::repliesGoOnlyToTheSender()
{
    LoopbackWebSocketServer server;
    server.addReply(u"ping"_qs, {.texts = {typed(u"pong"_qs)}});
    server.addReply(u"marker"_qs, {.texts = {typed(u"marker"_qs)}});
    Client first;
    Client second;
    QVERIFY(first.open(QNetworkRequest(server.url())));
    QVERIFY(second.open(QNetworkRequest(server.url())));
    QVERIFY(server.waitForOpenConnections(2));

    second.socket.sendTextMessage(typed(u"ping"_qs));
    QVERIFY(second.waitForTexts(1));
    QCOMPARE(second.texts, QStringList{typed(u"pong"_qs)});
    // Replies go out in message order, so a misdirected pong would come before the marker.
    first.socket.sendTextMessage(typed(u"marker"_qs));
    QVERIFY(first.waitForTexts(1));
    QCOMPARE(first.texts, QStringList{typed(u"marker"_qs)});
}

void LoopbackWebSocketServerTest::sendsOnDemand()
{
    LoopbackWebSocketServer server;
    QCOMPARE(server.sendText(u"nobody listens"_qs), 0);

    Client first;
    Client second;
    QVERIFY(first.open(QNetworkRequest(server.url())));
    QVERIFY(second.open(QNetworkRequest(server.url())));
    QVERIFY(server.waitForOpenConnections(2));

    QCOMPARE(server.sendText(u"to all"_qs), 2);
    QCOMPARE(server.sendText(2, u"to second"_qs), 1);
    QCOMPARE(server.sendText(7, u"to nobody"_qs), 0);
    QCOMPARE(server.sendBinary(QByteArray("bytes")), 2);
    QVERIFY(second.waitForTexts(2));
    QVERIFY(first.waitForTexts(1));
    QVERIFY(QTest::qWaitFor([&] { return first.binaries.size() == 1; }, 5000));
    QVERIFY(QTest::qWaitFor([&] { return second.binaries.size() == 1; }, 5000));
    QCOMPARE(first.texts, QStringList{u"to all"_qs});
    QCOMPARE(second.texts, (QStringList{u"to all"_qs, u"to second"_qs}));
    QCOMPARE(first.binaries, QList<QByteArray>{"bytes"});
}

void LoopbackWebSocketServerTest::closesWithACode_data()
{
    QTest::addColumn<bool>("scripted");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("reason");

    QTest::newRow("on demand, normal")
        << false << int(QWebSocketProtocol::CloseCodeNormal) << QString();
    QTest::newRow("on demand, policy")
        << false << int(QWebSocketProtocol::CloseCodePolicyViolated) << u"bad auth"_qs;
    QTest::newRow("scripted, application code") << true << 4001 << u"session expired"_qs;
}

void LoopbackWebSocketServerTest::closesWithACode()
{
    QFETCH(bool, scripted);
    QFETCH(int, code);
    QFETCH(QString, reason);
    const auto closeCode = quint16(code);

    LoopbackWebSocketServer server;
    server.addReply(
        u"bye"_qs,
        {.texts = {typed(u"goodbye"_qs)}, .closeCode = closeCode, .closeReason = reason});
    Client client;
    QVERIFY(client.open(QNetworkRequest(server.url())));
    QVERIFY(server.waitForOpenConnections(1));
    if (scripted) {
        client.socket.sendTextMessage(typed(u"bye"_qs));
    } else {
        server.closeConnections(closeCode, reason);
    }
    QVERIFY(client.waitForClosed());
    QCOMPARE(int(client.socket.closeCode()), code);
    QCOMPARE(client.socket.closeReason(), reason);
    QCOMPARE(client.texts, scripted ? QStringList{typed(u"goodbye"_qs)} : QStringList{});
    QVERIFY(server.waitForOpenConnections(0));
}

void LoopbackWebSocketServerTest::negotiatesSubprotocols()
{
    LoopbackWebSocketServer server;
    server.setSupportedSubprotocols({u"realtime"_qs});
    QWebSocketHandshakeOptions options;
    options.setSubprotocols({u"other"_qs, u"realtime"_qs});
    QWebSocket socket;
    socket.open(QNetworkRequest(server.url()), options);
    QVERIFY(
        QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::ConnectedState; }, 5000));
    QCOMPARE(socket.subprotocol(), u"realtime"_qs);
    QVERIFY(server.waitForConnections(1));
    QCOMPARE(server.lastHandshake()->header("Sec-WebSocket-Protocol"),
             QByteArray("other, realtime"));
}

void LoopbackWebSocketServerTest::destructionWithAClientStillConnected()
{
    Client client;
    {
        LoopbackWebSocketServer server;
        QVERIFY(client.open(QNetworkRequest(server.url())));
        QVERIFY(server.waitForOpenConnections(1));
    }
    QVERIFY(client.waitForClosed());
    QCOMPARE(int(client.socket.closeCode()), int(QWebSocketProtocol::CloseCodeGoingAway));
}

QTEST_GUILESS_MAIN(LoopbackWebSocketServerTest)
#include "tst_loopbackwebsocketserver.moc"
