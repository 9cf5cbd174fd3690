// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ApprovalRequests.h"

#include <QFuture>
#include <qcoro/qcorofuture.h>

namespace korvane {

namespace {

void settle(QPromise<ApprovalDecision>& promise, ApprovalDecision decision)
{
    promise.addResult(decision);
    promise.finish();
}

} // namespace

ApprovalRequests::ApprovalRequests(QObject* parent)
    : QObject(parent)
{
}

ApprovalRequests::~ApprovalRequests()
{
    for (Request& request : m_requests)
        settle(*request.promise, ApprovalDecision::declined);
}

QCoro::Task<ApprovalDecision> ApprovalRequests::approve(ProposedAction action)
{
    auto promise = std::make_shared<QPromise<ApprovalDecision>>();
    promise->start();
    QFuture<ApprovalDecision> decision = promise->future();
    m_requests.push_back({std::move(action), promise});
    if (m_requests.size() == 1)
        Q_EMIT currentChanged();
    // The promise is settled by answer(), declineAll() or the destructor, whichever comes
    // first; the future outlives this object.
    co_return co_await decision;
}

bool ApprovalRequests::hasPending() const
{
    return !m_requests.empty();
}

QVariantMap ApprovalRequests::current() const
{
    if (m_requests.empty())
        return {};
    const ProposedAction& action = m_requests.front().action;
    return {
        {QStringLiteral("kind"), static_cast<int>(action.kind)},
        {QStringLiteral("text"), action.text},
        {QStringLiteral("target"), action.target},
    };
}

void ApprovalRequests::answer(const QString& choice)
{
    if (m_requests.empty())
        return;
    const bool isScript = m_requests.front().action.kind == ProposedAction::Kind::runScript;
    ApprovalDecision decision;
    if (choice == u"allow")
        decision = ApprovalDecision::approved;
    else if (choice == u"allowWithNetwork" && isScript)
        decision = ApprovalDecision::approvedWithNetwork;
    else if (choice == u"decline")
        decision = ApprovalDecision::declined;
    else
        return;
    Request answered = std::move(m_requests.front());
    m_requests.pop_front();
    settle(*answered.promise, decision);
    Q_EMIT currentChanged();
}

void ApprovalRequests::declineAll()
{
    if (m_requests.empty())
        return;
    std::deque<Request> waiting = std::exchange(m_requests, {});
    for (Request& request : waiting)
        settle(*request.promise, ApprovalDecision::declined);
    Q_EMIT currentChanged();
}

} // namespace korvane
