// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakeWorkspace.h"

// Members are returned through std::as_const: co_return of a non-const lvalue moves from it.
namespace korvane::test {

QCoro::Task<std::optional<RunningApplication>> FakeWorkspace::frontmostApplication()
{
    const qsizetype index = frontmostQueries++;
    if (frontmostAnswers.isEmpty())
        co_return std::nullopt;
    co_return frontmostAnswers.at(std::min(index, frontmostAnswers.size() - 1));
}

QCoro::Task<QList<RunningApplication>> FakeWorkspace::runningApplications()
{
    co_return {};
}

QCoro::Task<Outcome> FakeWorkspace::openApplication(QUrl application)
{
    openedApplications.append(application);
    if (onOpenApplication)
        onOpenApplication(application);
    co_return openApplicationError ? Outcome::failure(*openApplicationError) : Outcome::success();
}

QCoro::Task<bool> FakeWorkspace::open(QUrl url)
{
    openedUrls.append(url);
    co_return openSucceeds;
}

QCoro::Task<std::optional<RunningApplication>> FakeWorkspace::applicationBeforeOwnWindow()
{
    co_return std::as_const(applicationBefore);
}

QCoro::Task<bool> FakeWorkspace::activate(RunningApplication application)
{
    activated.append(application);
    co_return activateSucceeds;
}

} // namespace korvane::test
