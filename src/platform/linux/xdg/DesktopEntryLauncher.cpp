// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/xdg/DesktopEntryLauncher.h"

#include "platform/linux/browser/BrowserLaunch.h"

#include <QLoggingCategory>
#include <QProcess>
#include <qcoro/qcoroprocess.h>

#include <unistd.h>

namespace korvane {

Q_LOGGING_CATEGORY(lcLauncher, "korvane.platform.launcher")

using namespace std::chrono_literals;

Outcome DesktopEntryLauncher::launch(const DesktopEntry& entry)
{
    // A browser Korvane drives starts through its host, so Korvane can reach its tabs.
    if (KnownBrowsers::forDesktopId(entry.id))
        return BrowserLaunch::start(entry.id, entry.commandLine(), entry.workingDirectory);
    QStringList command = entry.commandLine();
    if (command.isEmpty())
        return Outcome::failure(QStringLiteral("The application entry has no command to run."));
    QProcess process;
    process.setProgram(command.takeFirst());
    process.setArguments(command);
    if (!entry.workingDirectory.isEmpty())
        process.setWorkingDirectory(entry.workingDirectory);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    if (!process.startDetached())
        return Outcome::failure(process.errorString());
    return Outcome::success();
}

QCoro::Task<bool> DesktopEntryLauncher::open(QUrl url)
{
    // xdg-open may run the handler in the foreground; once it has run this long the handler is
    // taken to have started, and it is left running.
    constexpr std::chrono::milliseconds handlerGrace = 10s;
    auto process = std::make_unique<QProcess>();
    process->setProgram(QStringLiteral("xdg-open"));
    process->setArguments({url.toString(QUrl::FullyEncoded)});
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    // The handler it starts (a player, a viewer) belongs to the desktop, not to Korvane's
    // terminal: it must outlive Korvane and never see the terminal's hang-up.
    process->setChildProcessModifier([] { ::setsid(); });
    process->start();
    if (!co_await qCoro(*process).waitForStarted(handlerGrace)) {
        qCWarning(lcLauncher) << "xdg-open could not start:" << process->errorString();
        co_return false;
    }
    if (!co_await qCoro(*process).waitForFinished(handlerGrace)) {
        QProcess* running = process.release();
        QObject::connect(running, &QProcess::finished, running, &QObject::deleteLater);
        co_return true;
    }
    co_return process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
}

} // namespace korvane
