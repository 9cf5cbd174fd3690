// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/browser/BrowserHostGreeting.h"

#include "platform/linux/browser/RemoteMessage.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace korvane {

namespace {

const QString greetingKey = u"korvaneBrowserHost"_qs;

} // namespace

QByteArray BrowserHostGreeting::toJson() const
{
    const QJsonObject body{
        {u"protocol"_qs, KnownBrowsers::protocolName(protocol)},
        {u"processId"_qs, processId},
        {u"desktopId"_qs, desktopId},
        {u"name"_qs, name},
        {u"profile"_qs, profile},
    };
    return QJsonDocument(QJsonObject{{greetingKey, body}}).toJson(QJsonDocument::Compact);
}

std::optional<BrowserHostGreeting> BrowserHostGreeting::parse(QByteArrayView json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json.toByteArray());
    const QJsonObject body = document.object().value(greetingKey).toObject();
    const std::optional<RemoteProtocol> protocol =
        KnownBrowsers::protocolNamed(body.value(u"protocol").toString());
    const std::optional<qint64> processId = RemoteMessage::wholeNumber(body.value(u"processId"));
    if (!protocol || !processId || *processId <= 0)
        return std::nullopt;
    return BrowserHostGreeting{*protocol, *processId, body.value(u"desktopId").toString(),
                               body.value(u"name").toString(), body.value(u"profile").toString()};
}

} // namespace korvane
