// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Workspace.h"

#include <QList>
#include <QUrl>

#include <functional>

namespace korvane::test {

// Answers from its fields and records what it was asked.
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

    QCoro::Task<std::optional<RunningApplication>> frontmostApplication() override;
    QCoro::Task<QList<RunningApplication>> runningApplications() override;
    QCoro::Task<Outcome> openApplication(QUrl application) override;
    QCoro::Task<bool> open(QUrl url) override;
    QCoro::Task<std::optional<RunningApplication>> applicationBeforeOwnWindow() override;
    QCoro::Task<bool> activate(RunningApplication application) override;
};

} // namespace korvane::test
