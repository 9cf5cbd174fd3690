// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <optional>

namespace korvane {

// The answer to one command, in either protocol: DevTools ({"id", "result"} or {"id",
// "error": {"message"}}) or WebDriver BiDi ({"type": "success", "id", "result"} or
// {"type": "error", "id", "error", "message"}).
struct RemoteReply {
    qint64 id = 0;
    // The command's "result" object; empty on an error.
    QJsonObject result{};
    // The browser's error message (or a placeholder when it gave none); absent on success.
    std::optional<QString> errorMessage{};

    friend bool operator==(const RemoteReply&, const RemoteReply&) = default;
};

// Commands out and replies in, as JSON text. Events (messages without an "id") are not
// replies.
class RemoteMessage final {
public:
    // No message the operations wait for comes near this.
    static constexpr qsizetype maximumBytes = 16 * 1024 * 1024;

    // `sessionId`, when not empty, addresses a DevTools session attached to one tab.
    static QByteArray command(qint64 id, const QString& method, const QJsonObject& params,
                              const QString& sessionId = {});
    // Absent for events, messages with neither a result nor an error, malformed or oversized
    // text, and ids that are not whole numbers.
    static std::optional<RemoteReply> parseReply(QByteArrayView json);
    // A whole number a double can hold exactly.
    static std::optional<qint64> wholeNumber(const QJsonValue& value);
};

// Splits a byte stream into NUL-terminated messages, as the DevTools pipe and Korvane's
// browser host frame them. A message longer than the cap is skipped up to its terminator.
class MessageFrames final {
public:
    explicit MessageFrames(qsizetype maximumBytes = RemoteMessage::maximumBytes);

    // The messages completed by `bytes`, in order.
    QList<QByteArray> append(QByteArrayView bytes);
    // How many messages were dropped for their size.
    int droppedMessages() const;

    static QByteArray frame(QByteArrayView message);

private:
    QByteArray m_buffer;
    qsizetype m_maximumBytes = 0;
    bool m_skipping = false;
    int m_dropped = 0;
};

} // namespace korvane
