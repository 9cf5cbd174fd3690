// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/linux/browser/BrowserHostGreeting.h"
#include "platform/linux/browser/RemoteMessage.h"

#include <QHash>
#include <QJsonObject>
#include <QJsonValue>
#include <QLocalServer>
#include <QPointer>

#include <functional>
#include <map>

class QLocalSocket;

namespace korvane {

class BrowserChannel;

// Shares one browser connection among Korvane's processes: each connects to a Unix socket
// only this user can reach, is greeted with what browser this is, and sends commands whose
// replies come back to it alone. Command ids are renumbered on the way in and restored on the
// way out, so clients never see each other's replies; events go to every client.
class BrowserRelay final : public QObject {
    Q_OBJECT

public:
    using ReplyHandler = std::function<void(const RemoteReply&)>;

    BrowserRelay(BrowserHostGreeting greeting, BrowserChannel* channel, QObject* parent = nullptr);
    ~BrowserRelay() override;
    Q_DISABLE_COPY_MOVE(BrowserRelay)

    // False with the reason in errorString().
    bool listen(const QString& socketPath);
    QString errorString() const;
    // A command of the host's own; its reply goes to `handler` (may be empty), not to a client.
    void command(const QString& method, const QJsonObject& params, ReplyHandler handler = {});

    // Messages from one client are capped at this size.
    static constexpr qsizetype maximumClientMessage = 1024 * 1024;

private:
    struct Client {
        MessageFrames frames{maximumClientMessage};
        // DevTools sessions the client attached, detached when it leaves.
        QStringList sessions{};
    };
    struct Pending {
        QPointer<QLocalSocket> client{};
        QJsonValue clientId{};
        QString method{};
        ReplyHandler handler{};
    };

    void accept();
    void readClient(QLocalSocket* socket);
    void fromClient(QLocalSocket* socket, const QByteArray& message);
    void fromBrowser(const QByteArray& message);
    void dropClient(QLocalSocket* socket);
    void refuse(QLocalSocket* socket, const QJsonValue& id, const QString& message);
    qint64 forward(QJsonObject message, Pending pending);

    BrowserHostGreeting m_greeting;
    BrowserChannel* m_channel;
    QLocalServer m_server;
    std::map<QLocalSocket*, Client> m_clients;
    QHash<qint64, Pending> m_pending;
    qint64 m_nextId = 1;
};

} // namespace korvane
