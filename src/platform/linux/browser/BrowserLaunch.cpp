// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/browser/BrowserLaunch.h"

#include "platform/linux/browser/BrowserHostSockets.h"
#include "platform/linux/browser/FirefoxProfile.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QThread>

namespace korvane {

namespace {

// "--user-data-dir=/x" → "--user-data-dir"
QStringView switchName(QStringView argument)
{
    const qsizetype equals = argument.indexOf(u'=');
    return equals < 0 ? argument : argument.first(equals);
}

void appendMissing(QStringList& command, const QStringList& switches)
{
    for (qsizetype i = 0; i < switches.size(); ++i) {
        const QStringView name = switchName(switches.at(i));
        const bool takesValue = !switches.at(i).contains(u'=') && i + 1 < switches.size() &&
                                !switches.at(i + 1).startsWith(u"--");
        const bool alreadySet =
            std::any_of(command.cbegin() + 1, command.cend(),
                        [name](const QString& argument) { return switchName(argument) == name; });
        if (!alreadySet) {
            command.append(switches.at(i));
            if (takesValue)
                command.append(switches.at(i + 1));
        }
        if (takesValue)
            ++i;
    }
}

// Waits for a host that another launch is starting.
bool waitForHost(const QString& socketPath, QDeadlineTimer deadline)
{
    for (;;) {
        QLocalSocket socket;
        socket.connectToServer(socketPath);
        if (socket.waitForConnected(1000))
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(200);
    }
}

QString privateFolder(const QString& path)
{
    QDir().mkpath(path);
    QFile::setPermissions(path,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

QString dataHome()
{
    const QString configured = qEnvironmentVariable("XDG_DATA_HOME");
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return configured;
    return QDir::home().filePath(u".local/share"_qs);
}

} // namespace

QString BrowserLaunch::chromiumProfile()
{
    return QDir(dataHome()).filePath(u"korvane/browser-profile"_qs);
}

QString BrowserLaunch::hostProgram()
{
    const QString name = u"korvane-browser-host"_qs;
    const QDir programs(QCoreApplication::applicationDirPath());
    // Beside the program in the build tree; in the install, where libexec is from bin.
    const QFileInfo beside(programs.filePath(name));
    if (beside.isExecutable())
        return beside.filePath();
    return QDir::cleanPath(
        programs.filePath(QStringLiteral(KORVANE_HOST_FROM_BINDIR) + u'/' + name));
}

QStringList BrowserLaunch::browserCommand(const KnownBrowsers::Entry& browser, QStringList command,
                                          const QString& profile)
{
    if (command.isEmpty())
        return command;
    if (browser.protocol == RemoteProtocol::devTools)
        appendMissing(command, {u"--remote-debugging-pipe"_qs, u"--user-data-dir="_qs + profile,
                                // Korvane's profile is not the person's default browser.
                                u"--no-first-run"_qs, u"--no-default-browser-check"_qs,
                                // A window covered by another (Korvane's own, say) keeps its
                                // tab "visible", so the tab in front can still be told.
                                u"--disable-backgrounding-occluded-windows"_qs});
    else
        appendMissing(command, {u"--profile"_qs, profile, u"--remote-debugging-port=0"_qs});
    return command;
}

Outcome BrowserLaunch::start(const QString& desktopId, const QStringList& command,
                             const QString& workingDirectory)
{
    return start(desktopId, command, workingDirectory, Options{});
}

Outcome BrowserLaunch::start(const QString& desktopId, const QStringList& command,
                             const QString& workingDirectory, Options options)
{
    const std::optional<KnownBrowsers::Entry> browser = KnownBrowsers::forDesktopId(desktopId);
    if (!browser)
        return Outcome::failure(u"Korvane does not know how to drive "_qs + desktopId + u'.');
    if (command.isEmpty())
        return Outcome::failure(u"The application entry has no command to run."_qs);
    const BrowserHostSockets::Folder folder = BrowserHostSockets::folder();
    if (!folder.path)
        return Outcome::failure(folder.failure);
    const QString socketPath = BrowserHostSockets::socketPath(*folder.path, desktopId);

    QString profile;
    if (browser->protocol == RemoteProtocol::devTools) {
        profile = privateFolder(chromiumProfile());
    } else {
        const FirefoxProfile::Choice choice = FirefoxProfile::forLaunch(desktopId);
        if (!choice.path)
            return Outcome::failure(choice.failure);
        profile = *choice.path;
    }

    const QString host = hostProgram();
    if (!QFileInfo(host).isExecutable())
        return Outcome::failure(u"Korvane's browser helper is missing ("_qs + host +
                                u"); reinstall Korvane to let it drive "_qs + browser->scriptName +
                                u'.');
    QStringList arguments{u"--protocol"_qs,
                          KnownBrowsers::protocolName(browser->protocol),
                          u"--desktop-id"_qs,
                          desktopId,
                          u"--name"_qs,
                          browser->scriptName,
                          u"--profile"_qs,
                          profile,
                          u"--socket"_qs,
                          socketPath,
                          u"--"_qs};
    arguments << browserCommand(*browser, command, profile);

    QProcess process;
    process.setProgram(host);
    process.setArguments(arguments);
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    const QDeadlineTimer deadline(options.deadline);
    process.start();
    // The host answers once the browser does, or once it gave up; a margin for its own start.
    if (!process.waitForFinished(int(options.deadline.count()) + 5000)) {
        process.kill();
        process.waitForFinished(1000);
        return Outcome::failure(browser->scriptName + u" did not start in time."_qs);
    }
    const QString answer = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    if (answer == u"ready")
        return Outcome::success();
    if (answer == u"busy")
        return waitForHost(socketPath, deadline)
                   ? Outcome::success()
                   : Outcome::failure(browser->scriptName +
                                      u" is still starting; try again in a moment."_qs);
    if (answer.startsWith(u"failed: "))
        return Outcome::failure(answer.mid(8));
    return Outcome::failure(u"Korvane's browser helper could not start "_qs + browser->scriptName +
                            u'.');
}

QString BrowserLaunch::describe(const QString& desktopId)
{
    const std::optional<KnownBrowsers::Entry> browser = KnownBrowsers::forDesktopId(desktopId);
    if (!browser)
        return desktopId + u": Korvane cannot drive it; addresses open with it through "
                           u"xdg-open, and clicks use the accessibility tree."_qs;
    const QString host = hostProgram();
    const QString missingHost =
        QFileInfo(host).isExecutable()
            ? QString()
            : u" Korvane's browser helper is missing ("_qs + host + u"): reinstall Korvane."_qs;
    if (browser->protocol == RemoteProtocol::devTools)
        return browser->scriptName + u" ("_qs + desktopId +
               u") over its DevTools pipe, with Korvane's own profile "_qs + chromiumProfile() +
               u'.' + missingHost;
    const QString folder = FirefoxProfile::profilesFolder();
    QFile ini(folder + u"/profiles.ini"_qs);
    std::optional<QString> personal;
    if (ini.open(QIODevice::ReadOnly))
        personal =
            FirefoxProfile::defaultProfile(QString::fromUtf8(ini.readAll()), folder, desktopId);
    const QString profile =
        personal ? QString(u"your own profile "_qs + *personal)
                 : QString(u"Korvane's own profile "_qs + FirefoxProfile::ownProfile() +
                           u" (no Firefox profile of yours was found)"_qs);
    return browser->scriptName + u" ("_qs + desktopId + u") over WebDriver BiDi, with "_qs +
           profile + u'.' + missingHost;
}

} // namespace korvane
