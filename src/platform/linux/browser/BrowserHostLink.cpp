// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/browser/BrowserHostLink.h"

#include <QDeadlineTimer>
#include <qcoro/qcorolocalsocket.h>
#include <qcoro/qcorosignal.h>

#include <utility>

namespace korvane {

namespace {

std::chrono::milliseconds remaining(const QDeadlineTimer& deadline)
{
    return std::chrono::milliseconds(std::max<qint64>(0, deadline.remainingTime()));
}

} // namespace

BrowserHostLink::BrowserHostLink()
{
    QObject::connect(&m_socket, &QLocalSocket::readyRead, this, &BrowserHostLink::readAvailable);
    QObject::connect(&m_socket, &QLocalSocket::disconnected, this, [this] {
        m_closed = true;
        notifyChanged();
    });
    QObject::connect(&m_socket, &QLocalSocket::errorOccurred, this, [this] {
        m_closed = true;
        notifyChanged();
    });
}

void BrowserHostLink::notifyChanged()
{
    // One emission per turn of the event loop: a waiter resumes on a queued call, and a second
    // emission queued before it resumed would reach a wait that has already ended.
    if (std::exchange(m_changePending, true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_changePending = false;
            Q_EMIT changed();
        },
        Qt::QueuedConnection);
}

BrowserHostLink::~BrowserHostLink() = default;

const BrowserHostGreeting& BrowserHostLink::greeting() const
{
    return *m_greeting;
}

bool BrowserHostLink::isClosed() const
{
    return m_closed;
}

void BrowserHostLink::readAvailable()
{
    const QList<QByteArray> messages = m_frames.append(m_socket.readAll());
    for (const QByteArray& message : messages) {
        if (!m_greeting) {
            m_greeting = BrowserHostGreeting::parse(message);
            // Whatever does not greet first is no host of Korvane's.
            if (!m_greeting) {
                m_closed = true;
                m_socket.abort();
                break;
            }
            continue;
        }
        if (std::optional<RemoteReply> reply = RemoteMessage::parseReply(message))
            m_replies.insert(reply->id, std::move(*reply));
    }
    notifyChanged();
}

QCoro::Task<BrowserHostLink::Pointer> BrowserHostLink::connect(QString socketPath,
                                                               std::chrono::milliseconds deadline)
{
    // Deleted later: a signal of its socket may still be on its way out.
    Pointer link(new BrowserHostLink(), [](BrowserHostLink* link) { link->deleteLater(); });
    const QDeadlineTimer until(deadline);
    link->m_socket.connectToServer(socketPath);
    auto connecting = qCoro(link->m_socket).waitForConnected(remaining(until));
    if (!co_await std::move(connecting))
        co_return Pointer();
    while (!link->m_greeting && !link->m_closed && !until.hasExpired()) {
        auto waiting = qCoro(link.get(), &BrowserHostLink::changed, remaining(until));
        co_await std::move(waiting);
    }
    if (!link->m_greeting)
        co_return Pointer();
    co_return link;
}

QCoro::Task<RemoteCall> BrowserHostLink::call(Pointer link, QString method, QJsonObject params,
                                              QString sessionId, std::chrono::milliseconds deadline)
{
    using Failure = RemoteCall::Failure;
    if (link->m_closed)
        co_return RemoteCall{std::nullopt, Failure::closed, {}};
    const qint64 id = link->m_nextId++;
    link->m_socket.write(
        MessageFrames::frame(RemoteMessage::command(id, method, params, sessionId)));
    const QDeadlineTimer until(deadline);
    while (!link->m_replies.contains(id)) {
        if (link->m_closed)
            co_return RemoteCall{std::nullopt, Failure::closed, {}};
        if (until.hasExpired())
            co_return RemoteCall{std::nullopt, Failure::timedOut, {}};
        auto waiting = qCoro(link.get(), &BrowserHostLink::changed, remaining(until));
        co_await std::move(waiting);
    }
    const RemoteReply reply = link->m_replies.take(id);
    if (reply.errorMessage)
        co_return RemoteCall{std::nullopt, Failure::rejected, *reply.errorMessage};
    co_return RemoteCall{reply.result, std::nullopt, {}};
}

} // namespace korvane
