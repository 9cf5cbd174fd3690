#include "platform/linux/devtools/DevToolsMessage.h"

#include <QJsonDocument>

#include <cmath>

namespace korvane {

QByteArray DevToolsMessage::command(qint64 id, const QString& method, const QJsonObject& params)
{
    QJsonObject message{{u"id"_qs, id}, {u"method"_qs, method}};
    if (!params.isEmpty())
        message.insert(u"params"_qs, params);
    return QJsonDocument(message).toJson(QJsonDocument::Compact);
}

std::optional<DevToolsReply> DevToolsMessage::parseReply(QStringView text)
{
    if (text.size() > maximumBytes)
        return std::nullopt;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue id = object.value(u"id");
    // A reply carries a result or an error; a message with neither is no answer to wait for.
    if (!id.isDouble() || (!object.contains(u"result") && !object.contains(u"error")))
        return std::nullopt;
    const double number = id.toDouble();
    // Beyond 2^53 a double no longer names one integer.
    if (std::floor(number) != number || std::fabs(number) > 9007199254740992.0)
        return std::nullopt;

    DevToolsReply reply;
    reply.id = static_cast<qint64>(number);
    if (object.contains(u"error")) {
        const QString message = object.value(u"error").toObject().value(u"message").toString();
        reply.errorMessage = message.isEmpty() ? u"The browser rejected the command."_qs : message;
        return reply;
    }
    reply.result = object.value(u"result").toObject();
    return reply;
}

} // namespace korvane
