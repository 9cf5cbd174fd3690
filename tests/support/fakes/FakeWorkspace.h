// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Workspace.h"

#include <QList>
#include <QUrl>

#include <functional>

namespace korvane::test {

// Answers from its fields and records what it was asked. Members are returned through
// std::as_const: co_return of a non-const lvalue moves from it.
class FakeWorkspace final : public Workspace {
public:
    // Frontmost answers, one per call; the last one repeats.
    QList<std::optional<RunningApplication>> frontmostAnswers{};
    std::optional<QString> openApplicationError{};
    bool openSucceeds = true;
    // Called on openApplication, after recording it.
    std::function<void(const QUrl&)> onOpenApplication{};
    std::optional<RunningApplication> applicationBefore{};
    bool activateSucceeds = true;

    QList<QUrl> openedApplications{};
    QList<QUrl> openedUrls{};
    QList<RunningApplication> activated{};
    int frontmostQueries = 0;

    QCoro::Task<std::optional<RunningApplication>> frontmostApplication() override
    {
        const qsizetype index =
            std::min<qsizetype>(frontmostQueries++, frontmostAnswers.size() - 1);
        co_return index < 0 ? std::nullopt : frontmostAnswers.at(index);
    }
    QCoro::Task<QList<RunningApplication>> runningApplications() override { co_return {}; }
    QCoro::Task<Outcome> openApplication(QUrl application) override
    {
        openedApplications.append(application);
        if (onOpenApplication)
            onOpenApplication(application);
        co_return openApplicationError ? Outcome::failure(*openApplicationError)
                                       : Outcome::success();
    }
    QCoro::Task<bool> open(QUrl url) override
    {
        openedUrls.append(url);
        co_return openSucceeds;
    }
    QCoro::Task<std::optional<RunningApplication>> applicationBeforeOwnWindow() override
    {
        co_return std::as_const(applicationBefore);
    }
    QCoro::Task<bool> activate(RunningApplication application) override
    {
        activated.append(application);
        co_return activateSucceeds;
    }
};

} // namespace korvane::test
