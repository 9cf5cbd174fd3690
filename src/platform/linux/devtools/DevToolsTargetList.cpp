#include "platform/linux/devtools/DevToolsTargetList.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace korvane {

std::optional<QList<DevToolsTarget>> DevToolsTargetList::parse(QByteArrayView json)
{
    if (json.size() > maximumBytes)
        return std::nullopt;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    QList<DevToolsTarget> targets;
    const QJsonArray entries = document.array();
    for (const QJsonValue& entry : entries) {
        if (!entry.isObject())
            continue;
        const QJsonObject object = entry.toObject();
        targets.append({
            .id = object.value(u"id").toString(),
            .type = object.value(u"type").toString(),
            .title = object.value(u"title").toString(),
            .url = object.value(u"url").toString(),
            .webSocketDebuggerUrl = object.value(u"webSocketDebuggerUrl").toString(),
        });
    }
    return targets;
}

std::optional<DevToolsTarget> DevToolsTargetList::activePage(const QList<DevToolsTarget>& targets)
{
    for (const DevToolsTarget& target : targets) {
        if (target.type == u"page")
            return target;
    }
    return std::nullopt;
}

} // namespace korvane
