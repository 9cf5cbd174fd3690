// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "computeruse/ActionApproval.h"

#include <QObject>
#include <QPromise>
#include <QVariantMap>

#include <deque>
#include <memory>

namespace korvane {

// The proposed actions waiting for the person's answer in the window, oldest first. The
// window shows the first with everything it would do (the whole script, or the target and
// text) and answers it through answer(); the next then takes its place.
class ApprovalRequests final : public QObject, public ActionApprover {
    Q_OBJECT
    Q_PROPERTY(bool hasPending READ hasPending NOTIFY currentChanged)
    // {"kind": ProposedActionKind, "text", "target"}; empty when none.
    Q_PROPERTY(QVariantMap current READ current NOTIFY currentChanged)

public:
    explicit ApprovalRequests(QObject* parent = nullptr);
    // Whatever still waits is declined.
    ~ApprovalRequests() override;
    Q_DISABLE_COPY_MOVE(ApprovalRequests)

    QCoro::Task<ApprovalDecision> approve(ProposedAction action) override;

    bool hasPending() const;
    QVariantMap current() const;
    // "allow", "allowWithNetwork" (scripts only) or "decline", for the shown action; anything
    // else is ignored.
    Q_INVOKABLE void answer(const QString& choice);
    // Declines everything that waits: a new session leaves nothing from the old one running.
    void declineAll();

Q_SIGNALS:
    void currentChanged();

private:
    struct Request {
        ProposedAction action;
        std::shared_ptr<QPromise<ApprovalDecision>> promise;
    };

    std::deque<Request> m_requests;
};

} // namespace korvane
