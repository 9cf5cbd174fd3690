// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime/ComputerUseToolArguments.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

namespace korvane {

namespace {

std::optional<QString> stringMember(const QJsonObject& object, QStringView name)
{
    const QJsonValue value = object.value(name);
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

} // namespace

std::optional<ComputerUseToolArguments> ComputerUseToolArguments::parse(QStringView json)
{
    // A lone surrogate has no UTF-8 form.
    if (!json.isValidUtf16())
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(json.toUtf8());
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const std::optional<QString> action = stringMember(object, u"action");
    if (!action)
        return std::nullopt;
    return ComputerUseToolArguments{
        .action = *action,
        .appName = stringMember(object, u"app_name"),
        .url = stringMember(object, u"url"),
        .targetName = stringMember(object, u"target_name"),
        .text = stringMember(object, u"text"),
        .key = stringMember(object, u"key"),
        .query = stringMember(object, u"query"),
        .prompt = stringMember(object, u"prompt"),
        .aspectRatio = stringMember(object, u"aspect_ratio"),
        .scriptCode = stringMember(object, u"script_code"),
    };
}

} // namespace korvane
