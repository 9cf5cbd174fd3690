// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/browser/DevToolsTabs.h"

#include "platform/linux/browser/RuntimeEvaluation.h"

#include <QJsonArray>

namespace korvane {

namespace {

// A DevTools session on one tab for the steps of one command, detached at the end.
struct Session {
    QString id{};
    std::optional<QString> failure{};
};

QCoro::Task<Session> attach(TabProtocol::Link link, QString targetId,
                            std::chrono::milliseconds deadline)
{
    const QJsonObject params{{u"targetId"_qs, targetId}, {u"flatten"_qs, true}};
    auto attaching =
        BrowserHostLink::call(link, u"Target.attachToTarget"_qs, params, QString(), deadline);
    const RemoteCall attached = co_await std::move(attaching);
    if (!attached.result)
        co_return Session{{}, TabProtocol::failureSentence(attached, link->greeting().name)};
    co_return Session{attached.result->value(u"sessionId").toString(), std::nullopt};
}

QCoro::Task<void> detach(TabProtocol::Link link, QString sessionId,
                         std::chrono::milliseconds deadline)
{
    const QJsonObject params{{u"sessionId"_qs, sessionId}};
    auto detaching =
        BrowserHostLink::call(link, u"Target.detachFromTarget"_qs, params, QString(), deadline);
    co_await std::move(detaching);
}

} // namespace

DevToolsTabs::DevToolsTabs(RemoteDeadlines deadlines)
    : m_deadlines(deadlines)
{
}

QCoro::Task<TabList> DevToolsTabs::tabs(Link link)
{
    auto listing = BrowserHostLink::call(link, u"Target.getTargets"_qs, QJsonObject(), QString(),
                                         m_deadlines.command);
    const RemoteCall listed = co_await std::move(listing);
    if (!listed.result)
        co_return TabList{{}, failureSentence(listed, link->greeting().name)};
    TabList list;
    const QJsonArray targets = listed.result->value(u"targetInfos").toArray();
    for (const QJsonValue& entry : targets) {
        const QJsonObject target = entry.toObject();
        const QString url = target.value(u"url").toString();
        // The developer tools' own windows are pages too, but not the person's.
        if (target.value(u"type").toString() != u"page" || url.startsWith(u"devtools://"))
            continue;
        list.tabs.append({target.value(u"targetId").toString(), url});
    }
    co_return list;
}

QCoro::Task<PageValue> DevToolsTabs::evaluate(Link link, BrowserTab tab, QString expression)
{
    const RemoteDeadlines deadlines = m_deadlines;
    auto attaching = attach(link, tab.id, deadlines.command);
    const Session session = co_await std::move(attaching);
    if (session.failure)
        co_return PageValue{QJsonValue::Undefined, session.failure};

    // The page's main frame has the tab's id; Korvane's world there sees the document but not
    // what the page's scripts changed of its objects.
    const QJsonObject world{{u"frameId"_qs, tab.id}, {u"worldName"_qs, u"korvane"_qs}};
    auto creating = BrowserHostLink::call(link, u"Page.createIsolatedWorld"_qs, world, session.id,
                                          deadlines.command);
    const RemoteCall created = co_await std::move(creating);
    PageValue answer;
    if (!created.result) {
        answer.failure = failureSentence(created, link->greeting().name);
    } else {
        QJsonObject params = RuntimeEvaluation::params(expression);
        params.insert(u"contextId"_qs, created.result->value(u"executionContextId"));
        auto evaluating = BrowserHostLink::call(link, u"Runtime.evaluate"_qs, params, session.id,
                                                deadlines.command);
        const RemoteCall evaluated = co_await std::move(evaluating);
        if (!evaluated.result) {
            answer.failure = failureSentence(evaluated, link->greeting().name);
        } else {
            const EvaluationOutcome outcome = RuntimeEvaluation::read(*evaluated.result);
            answer.value = outcome.value;
            answer.failure = outcome.exception;
        }
    }
    auto detaching = detach(link, session.id, deadlines.command);
    co_await std::move(detaching);
    co_return answer;
}

QCoro::Task<Outcome> DevToolsTabs::navigate(Link link, BrowserTab tab, QUrl url)
{
    const RemoteDeadlines deadlines = m_deadlines;
    auto attaching = attach(link, tab.id, deadlines.command);
    const Session session = co_await std::move(attaching);
    if (session.failure)
        co_return Outcome::failure(*session.failure);
    const QJsonObject params{{u"url"_qs, url.toString(QUrl::FullyEncoded)}};
    auto navigating =
        BrowserHostLink::call(link, u"Page.navigate"_qs, params, session.id, deadlines.navigation);
    const RemoteCall navigated = co_await std::move(navigating);
    auto detaching = detach(link, session.id, deadlines.command);
    co_await std::move(detaching);
    if (!navigated.result)
        co_return Outcome::failure(failureSentence(navigated, link->greeting().name));
    // The browser reports a page it could not load (no such host, refused…) as errorText.
    const QString errorText = navigated.result->value(u"errorText").toString();
    if (!errorText.isEmpty())
        co_return Outcome::failure(u"The page could not be opened: "_qs + errorText);
    co_return Outcome::success();
}

QCoro::Task<Outcome> DevToolsTabs::close(Link link, BrowserTab tab)
{
    const QJsonObject params{{u"targetId"_qs, tab.id}};
    co_return co_await command(link, u"Target.closeTarget"_qs, params, m_deadlines.command);
}

QCoro::Task<Outcome> DevToolsTabs::openTab(Link link, QUrl url)
{
    const RemoteDeadlines deadlines = m_deadlines;
    const QJsonObject params{{u"url"_qs, url.toString(QUrl::FullyEncoded)}};
    auto creating = BrowserHostLink::call(link, u"Target.createTarget"_qs, params, QString(),
                                          deadlines.command);
    const RemoteCall created = co_await std::move(creating);
    if (!created.result)
        co_return Outcome::failure(failureSentence(created, link->greeting().name));
    // Brings the tab and its window to the front.
    const QJsonObject target{{u"targetId"_qs, created.result->value(u"targetId")}};
    co_return co_await command(link, u"Target.activateTarget"_qs, target, deadlines.command);
}

} // namespace korvane
