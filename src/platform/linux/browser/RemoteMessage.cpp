// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/browser/RemoteMessage.h"

#include <QJsonDocument>

#include <cmath>

namespace korvane {

QByteArray RemoteMessage::command(qint64 id, const QString& method, const QJsonObject& params,
                                  const QString& sessionId)
{
    // BiDi requires "params"; DevTools accepts an empty one.
    QJsonObject message{{u"id"_qs, id}, {u"method"_qs, method}, {u"params"_qs, params}};
    if (!sessionId.isEmpty())
        message.insert(u"sessionId"_qs, sessionId);
    return QJsonDocument(message).toJson(QJsonDocument::Compact);
}

std::optional<qint64> RemoteMessage::wholeNumber(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    // Beyond 2^53 a double no longer names one integer.
    if (std::floor(number) != number || std::fabs(number) > 9007199254740992.0)
        return std::nullopt;
    return static_cast<qint64>(number);
}

std::optional<RemoteReply> RemoteMessage::parseReply(QByteArrayView json)
{
    if (json.size() > maximumBytes)
        return std::nullopt;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const std::optional<qint64> id = wholeNumber(object.value(u"id"));
    // A reply carries a result or an error; a message with neither is no answer to wait for.
    if (!id || (!object.contains(u"result") && !object.contains(u"error")))
        return std::nullopt;

    RemoteReply reply;
    reply.id = *id;
    const QJsonValue failure = object.value(u"error");
    if (!failure.isUndefined()) {
        // DevTools nests the message in the error; BiDi puts a code there and the message
        // beside it.
        QString message = failure.isObject() ? failure.toObject().value(u"message").toString()
                                             : object.value(u"message").toString();
        if (message.trimmed().isEmpty())
            message = failure.isString() ? failure.toString() : QString();
        reply.errorMessage = message.trimmed().isEmpty() ? u"The browser rejected the command."_qs
                                                         : message.trimmed();
        return reply;
    }
    reply.result = object.value(u"result").toObject();
    return reply;
}

MessageFrames::MessageFrames(qsizetype maximumBytes)
    : m_maximumBytes(maximumBytes)
{
}

QList<QByteArray> MessageFrames::append(QByteArrayView bytes)
{
    QList<QByteArray> messages;
    while (!bytes.isEmpty()) {
        const qsizetype end = bytes.indexOf('\0');
        const QByteArrayView piece = end < 0 ? bytes : bytes.first(end);
        if (!m_skipping) {
            if (m_buffer.size() + piece.size() > m_maximumBytes) {
                m_skipping = true;
                m_buffer.clear();
            } else {
                m_buffer.append(piece);
            }
        }
        if (end < 0)
            break;
        if (m_skipping)
            ++m_dropped;
        else
            messages.append(std::exchange(m_buffer, QByteArray()));
        m_skipping = false;
        bytes = bytes.sliced(end + 1);
    }
    return messages;
}

int MessageFrames::droppedMessages() const
{
    return m_dropped;
}

QByteArray MessageFrames::frame(QByteArrayView message)
{
    QByteArray framed;
    framed.reserve(message.size() + 1);
    framed.append(message);
    framed.append('\0');
    return framed;
}

} // namespace korvane
