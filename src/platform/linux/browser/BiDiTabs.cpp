// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/browser/BiDiTabs.h"

#include <QJsonArray>

namespace korvane {

namespace {

QJsonObject contextTarget(const QString& context)
{
    return {{u"context"_qs, context}};
}

} // namespace

BiDiTabs::BiDiTabs(RemoteDeadlines deadlines)
    : m_deadlines(deadlines)
{
}

QJsonValue BiDiTabs::plainValue(const QJsonObject& remoteValue)
{
    const QString type = remoteValue.value(u"type").toString();
    const QJsonValue value = remoteValue.value(u"value");
    if (type == u"string" || type == u"boolean")
        return value;
    // Numbers that JSON cannot hold ("NaN", "Infinity", "-0") arrive as text.
    if (type == u"number")
        return value.isDouble() ? value : QJsonValue(QJsonValue::Undefined);
    if (type == u"null")
        return QJsonValue::Null;
    if (type == u"array") {
        QJsonArray items;
        for (const QJsonValue& item : value.toArray())
            items.append(plainValue(item.toObject()));
        return items;
    }
    if (type == u"object") {
        // [[key, value], …]; only text keys are kept.
        QJsonObject object;
        for (const QJsonValue& pair : value.toArray()) {
            const QJsonArray entry = pair.toArray();
            if (entry.size() == 2 && entry.at(0).isString())
                object.insert(entry.at(0).toString(), plainValue(entry.at(1).toObject()));
        }
        return object;
    }
    return QJsonValue::Undefined;
}

QCoro::Task<TabList> BiDiTabs::tabs(Link link)
{
    const QJsonObject params{{u"maxDepth"_qs, 0}};
    auto listing = BrowserHostLink::call(link, u"browsingContext.getTree"_qs, params, QString(),
                                         m_deadlines.command);
    const RemoteCall listed = co_await std::move(listing);
    if (!listed.result)
        co_return TabList{{}, failureSentence(listed, link->greeting().name)};
    TabList list;
    const QJsonArray contexts = listed.result->value(u"contexts").toArray();
    for (const QJsonValue& entry : contexts) {
        const QJsonObject context = entry.toObject();
        list.tabs.append({context.value(u"context").toString(), context.value(u"url").toString()});
    }
    co_return list;
}

QCoro::Task<PageValue> BiDiTabs::evaluate(Link link, BrowserTab tab, QString expression)
{
    QJsonObject target = contextTarget(tab.id);
    // Korvane's sandbox sees the document but not what the page's scripts changed of it.
    target.insert(u"sandbox"_qs, u"korvane"_qs);
    const QJsonObject params{
        {u"expression"_qs, expression},
        {u"target"_qs, target},
        {u"awaitPromise"_qs, false},
        {u"resultOwnership"_qs, u"none"_qs},
        // A click from the script counts as the person's.
        {u"userActivation"_qs, true},
    };
    auto evaluating =
        BrowserHostLink::call(link, u"script.evaluate"_qs, params, QString(), m_deadlines.command);
    const RemoteCall evaluated = co_await std::move(evaluating);
    if (!evaluated.result)
        co_return PageValue{QJsonValue::Undefined,
                            failureSentence(evaluated, link->greeting().name)};
    const QJsonObject& result = *evaluated.result;
    if (result.value(u"type").toString() == u"exception") {
        const QJsonObject details = result.value(u"exceptionDetails").toObject();
        QString message = details.value(u"text").toString().section(u'\n', 0, 0).trimmed();
        if (message.isEmpty())
            message = u"The page script failed."_qs;
        co_return PageValue{QJsonValue::Undefined, message};
    }
    co_return PageValue{plainValue(result.value(u"result").toObject()), std::nullopt};
}

QCoro::Task<Outcome> BiDiTabs::navigate(Link link, BrowserTab tab, QUrl url)
{
    QJsonObject params = contextTarget(tab.id);
    params.insert(u"url"_qs, url.toString(QUrl::FullyEncoded));
    // Answered once the navigation has started, as the person's own typing would be.
    params.insert(u"wait"_qs, u"none"_qs);
    co_return co_await command(link, u"browsingContext.navigate"_qs, params,
                               m_deadlines.navigation);
}

QCoro::Task<Outcome> BiDiTabs::close(Link link, BrowserTab tab)
{
    QJsonObject params = contextTarget(tab.id);
    // A page that asks before it goes asks the person, as when they close it themselves.
    params.insert(u"promptUnload"_qs, true);
    co_return co_await command(link, u"browsingContext.close"_qs, params, m_deadlines.command);
}

QCoro::Task<Outcome> BiDiTabs::openTab(Link link, QUrl url)
{
    const RemoteDeadlines deadlines = m_deadlines;
    const QJsonObject creation{{u"type"_qs, u"tab"_qs}};
    auto creating = BrowserHostLink::call(link, u"browsingContext.create"_qs, creation, QString(),
                                          deadlines.command);
    const RemoteCall created = co_await std::move(creating);
    if (!created.result)
        co_return Outcome::failure(failureSentence(created, link->greeting().name));
    const BrowserTab tab{created.result->value(u"context").toString(), QString()};
    auto navigating = navigate(link, tab, url);
    if (Outcome navigated = co_await std::move(navigating); !navigated)
        co_return navigated;
    // Brings the tab and its window to the front.
    co_return co_await command(link, u"browsingContext.activate"_qs, contextTarget(tab.id),
                               deadlines.command);
}

} // namespace korvane
