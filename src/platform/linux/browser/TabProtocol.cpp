// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/browser/TabProtocol.h"

#include "platform/linux/browser/BiDiTabs.h"
#include "platform/linux/browser/DevToolsTabs.h"

namespace korvane {

std::unique_ptr<TabProtocol> TabProtocol::forLink(const Link& link, RemoteDeadlines deadlines)
{
    if (link->greeting().protocol == RemoteProtocol::webDriverBiDi)
        return std::make_unique<BiDiTabs>(deadlines);
    return std::make_unique<DevToolsTabs>(deadlines);
}

QString TabProtocol::failureSentence(const RemoteCall& call, const QString& name)
{
    switch (call.failure.value_or(RemoteCall::Failure::closed)) {
    case RemoteCall::Failure::timedOut:
        return name + u" did not answer in time."_qs;
    case RemoteCall::Failure::closed:
        return name + u" closed the connection before answering."_qs;
    case RemoteCall::Failure::rejected:
        break;
    }
    QString message = call.message.trimmed();
    if (message.isEmpty())
        return u"Browser automation failed."_qs;
    if (!message.endsWith(u'.') && !message.endsWith(u'!') && !message.endsWith(u'?'))
        message += u'.';
    return message;
}

QCoro::Task<Outcome> TabProtocol::command(Link link, QString method, QJsonObject params,
                                          std::chrono::milliseconds deadline)
{
    auto calling =
        BrowserHostLink::call(link, std::move(method), std::move(params), QString(), deadline);
    const RemoteCall called = co_await std::move(calling);
    if (!called.result)
        co_return Outcome::failure(failureSentence(called, link->greeting().name));
    co_return Outcome::success();
}

} // namespace korvane
