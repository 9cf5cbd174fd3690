// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/linux/browser/BrowserHostGreeting.h"
#include "platform/linux/browser/RemoteMessage.h"

#include <QHash>
#include <QJsonObject>
#include <QLocalSocket>
#include <QObject>
#include <qcoro/qcorotask.h>

#include <chrono>
#include <memory>
#include <optional>

namespace korvane {

// How a command to the browser ended.
struct RemoteCall {
    enum class Failure {
        // The browser answered with an error.
        rejected,
        // No answer within the deadline.
        timedOut,
        // The host went away before answering.
        closed,
    };

    std::optional<QJsonObject> result{};
    std::optional<Failure> failure{};
    // The browser's error message when it rejected the command.
    QString message{};
};

// One connection to a browser host, shared by the steps of one operation. Commands may be in
// flight together; each reply finds its command by id.
class BrowserHostLink final : public QObject {
    Q_OBJECT

public:
    using Pointer = std::shared_ptr<BrowserHostLink>;

    ~BrowserHostLink() override;
    Q_DISABLE_COPY_MOVE(BrowserHostLink)

    // Connected and greeted, else null (nothing listens there, it is no browser host, or it
    // did not answer within `deadline`).
    static QCoro::Task<Pointer> connect(QString socketPath, std::chrono::milliseconds deadline);
    // `sessionId` addresses a DevTools session; empty otherwise.
    static QCoro::Task<RemoteCall> call(Pointer link, QString method, QJsonObject params,
                                        QString sessionId, std::chrono::milliseconds deadline);

    const BrowserHostGreeting& greeting() const;
    // The host went away (its browser quit) or the connection failed.
    bool isClosed() const;

Q_SIGNALS:
    // A message arrived or the connection closed.
    void changed();

private:
    BrowserHostLink();
    void readAvailable();
    void notifyChanged();

    QLocalSocket m_socket;
    MessageFrames m_frames;
    std::optional<BrowserHostGreeting> m_greeting{};
    QHash<qint64, RemoteReply> m_replies;
    qint64 m_nextId = 1;
    bool m_closed = false;
    bool m_changePending = false;
};

} // namespace korvane
