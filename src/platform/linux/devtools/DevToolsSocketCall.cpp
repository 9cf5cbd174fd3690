#include "platform/linux/devtools/DevToolsSocketCall.h"

#include "platform/linux/devtools/DevToolsMessage.h"

#include <QNetworkProxy>
#include <QPointer>
#include <QTimer>
#include <QWebSocket>
#include <qcoro/qcorosignal.h>

#include <atomic>
#include <memory>

namespace korvane {

namespace {

qint64 nextCommandId()
{
    // Distinct across calls, so a late reply on a reused tab never passes for another's.
    static std::atomic<qint64> counter{0};
    return ++counter;
}

// The socket and the state of one call; finished() fires exactly once.
class PendingCall final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PendingCall)

public:
    PendingCall(const QString& origin, QString method, QJsonObject params,
                DevToolsSocketCall::Deadlines deadlines)
        : m_socket(origin, QWebSocketProtocol::VersionLatest, this)
        , m_method(std::move(method))
        , m_params(std::move(params))
        , m_deadlines(deadlines)
        , m_id(nextCommandId())
    {
        m_socket.setProxy(QNetworkProxy::NoProxy);
        m_socket.setMaxAllowedIncomingMessageSize(DevToolsMessage::maximumBytes);
        m_socket.setMaxAllowedIncomingFrameSize(DevToolsMessage::maximumBytes);
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            finish({std::nullopt, DevToolsCallFailure::timedOut,
                    m_sent ? u"no reply came in time"_qs : u"the connection took too long"_qs});
        });
        connect(&m_socket, &QWebSocket::connected, this, &PendingCall::send);
        connect(&m_socket, &QWebSocket::textMessageReceived, this, &PendingCall::receive);
        connect(&m_socket, qOverload<QAbstractSocket::SocketError>(&QWebSocket::error), this,
                [this](QAbstractSocket::SocketError) {
                    finish(
                        {std::nullopt,
                         m_sent ? DevToolsCallFailure::closed : DevToolsCallFailure::connectFailed,
                         m_socket.errorString()});
                });
        connect(&m_socket, &QWebSocket::disconnected, this, [this] {
            finish({std::nullopt,
                    m_sent ? DevToolsCallFailure::closed : DevToolsCallFailure::connectFailed,
                    m_socket.errorString()});
        });
    }

    void start(const QUrl& url)
    {
        m_timer.start(m_deadlines.connect);
        m_socket.open(url);
    }

    bool isFinished() const { return m_outcome.has_value(); }
    DevToolsCallOutcome outcome() const { return m_outcome.value_or(DevToolsCallOutcome{}); }

Q_SIGNALS:
    void finished();

private:
    void send()
    {
        if (isFinished())
            return;
        m_sent = true;
        m_timer.start(m_deadlines.reply);
        m_socket.sendTextMessage(
            QString::fromUtf8(DevToolsMessage::command(m_id, m_method, m_params)));
    }

    void receive(const QString& text)
    {
        const std::optional<DevToolsReply> reply = DevToolsMessage::parseReply(text);
        if (!reply || reply->id != m_id)
            return;
        if (reply->errorMessage)
            finish({std::nullopt, DevToolsCallFailure::rejected, *reply->errorMessage});
        else
            finish({reply->result, std::nullopt, {}});
    }

    void finish(DevToolsCallOutcome outcome)
    {
        if (isFinished())
            return;
        m_outcome = std::move(outcome);
        m_timer.stop();
        // Closing from inside the socket's own signals is safe; deleting it is not, which is
        // why the coroutine hands this object to deleteLater().
        m_socket.abort();
        Q_EMIT finished();
    }

    QWebSocket m_socket;
    QTimer m_timer;
    QString m_method;
    QJsonObject m_params;
    DevToolsSocketCall::Deadlines m_deadlines;
    qint64 m_id = 0;
    bool m_sent = false;
    std::optional<DevToolsCallOutcome> m_outcome{};
};

} // namespace

QCoro::Task<DevToolsCallOutcome> DevToolsSocketCall::call(QUrl socketUrl, QString origin,
                                                          QString method, QJsonObject params,
                                                          Deadlines deadlines)
{
    // Released to deleteLater() at the end: the last signal may still be on its way out.
    std::unique_ptr<PendingCall, void (*)(PendingCall*)> pending(
        new PendingCall(origin, std::move(method), std::move(params), deadlines),
        [](PendingCall* call) { call->deleteLater(); });
    pending->start(socketUrl);
    if (!pending->isFinished()) {
        auto finishing = qCoro(pending.get(), &PendingCall::finished);
        co_await std::move(finishing);
    }
    co_return pending->outcome();
}

} // namespace korvane

#include "DevToolsSocketCall.moc"
