// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandTestSupport.h"

#include "computeruse/command/CommandJson.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace korvane {

namespace {

char* jsonText(const QJsonValue& value)
{
    if (value.isNull())
        return qstrdup("null");
    return qstrdup(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact).constData());
}

} // namespace

char* toString(const ComputerUseCommand& command)
{
    return jsonText(CommandJson::toJson(command));
}

char* toString(const std::optional<ComputerUseCommand>& command)
{
    return jsonText(CommandJson::toJson(command));
}

char* toString(const std::optional<MusicCommand>& music)
{
    return music ? jsonText(CommandJson::toJson(*music)) : qstrdup("null");
}

} // namespace korvane
