// SPDX-License-Identifier: GPL-3.0-or-later
// Starts a browser Korvane drives and shares its remote interface with Korvane's processes
// for as long as the browser runs. Korvane starts it; it is not meant to be run by hand.
//
//   korvane-browser-host --protocol devtools|bidi --desktop-id ID --name NAME
//                        [--profile PATH] --socket PATH -- PROGRAM [ARGUMENTS...]
//
// The process that starts it reads one line on standard output, then the host runs on in its
// own session, detached, so the browser outlives whoever asked for it:
//   "ready"          the browser answers on the socket;
//   "busy"           another host holds the lock for this browser (it is starting or running);
//   "failed: TEXT"   the browser could not be started or reached (exit status 1).
#include "platform/linux/browser/host/BrowserHost.h"

#include <QCoreApplication>
#include <QFile>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace korvane;

namespace {

struct Arguments {
    BrowserHost::Settings settings{};
    QString usageError{};
};

Arguments parse(int argc, char** argv)
{
    Arguments parsed;
    std::optional<RemoteProtocol> protocol;
    int index = 1;
    for (; index < argc; ++index) {
        const QByteArray name = argv[index];
        if (name == "--")
            break;
        if (index + 1 >= argc) {
            parsed.usageError = u"missing value for "_qs + QString::fromLocal8Bit(name);
            return parsed;
        }
        const QString value = QString::fromLocal8Bit(argv[++index]);
        if (name == "--protocol")
            protocol = KnownBrowsers::protocolNamed(value);
        else if (name == "--desktop-id")
            parsed.settings.browser.desktopId = value;
        else if (name == "--name")
            parsed.settings.browser.name = value;
        else if (name == "--profile")
            parsed.settings.browser.profile = value;
        else if (name == "--socket")
            parsed.settings.socketPath = value;
        else
            parsed.usageError = u"unknown option "_qs + QString::fromLocal8Bit(name);
    }
    for (++index; index < argc; ++index)
        parsed.settings.command.append(QString::fromLocal8Bit(argv[index]));
    if (!protocol || parsed.settings.socketPath.isEmpty() || parsed.settings.command.isEmpty())
        parsed.usageError = u"usage: korvane-browser-host --protocol devtools|bidi --desktop-id "
                            u"ID --name NAME [--profile PATH] --socket PATH -- PROGRAM..."_qs;
    if (protocol)
        parsed.settings.browser.protocol = *protocol;
    if (parsed.settings.browser.name.isEmpty())
        parsed.settings.browser.name = u"The browser"_qs;
    return parsed;
}

void report(int channel, const QByteArray& line)
{
    const QByteArray text = line + '\n';
    qsizetype written = 0;
    while (written < text.size()) {
        const ssize_t step = ::write(channel, text.constData() + written, text.size() - written);
        if (step <= 0)
            return;
        written += step;
    }
}

// The parent half: relays the host's one line and exits, leaving the host detached.
int relayReport(int channel)
{
    QByteArray line;
    char buffer[512];
    for (ssize_t step; (step = ::read(channel, buffer, sizeof buffer)) > 0;)
        line.append(buffer, step);
    if (line.trimmed().isEmpty())
        line = "failed: The browser host stopped unexpectedly.\n";
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    return line.startsWith("failed") ? 1 : 0;
}

void detachStandardStreams()
{
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null < 0)
        return;
    ::dup2(null, STDIN_FILENO);
    ::dup2(null, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    ::close(null);
}

} // namespace

int main(int argc, char** argv)
{
    const Arguments arguments = parse(argc, argv);
    if (!arguments.usageError.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(arguments.usageError));
        return 2;
    }

    // A reader that went away must not end the host.
    std::signal(SIGPIPE, SIG_IGN);
    // Forked before Qt starts any thread.
    int channel[2];
    if (::pipe2(channel, O_CLOEXEC) != 0)
        return 1;
    const pid_t child = ::fork();
    if (child < 0)
        return 1;
    if (child > 0) {
        ::close(channel[1]);
        return relayReport(channel[0]);
    }
    ::close(channel[0]);
    const int reportChannel = channel[1];
    // Its own session: the terminal or window that started Korvane may go, the browser stays.
    ::setsid();
    detachStandardStreams();

    // One host per browser entry: a second one only reports that the first is there.
    const QByteArray lockPath = QFile::encodeName(arguments.settings.socketPath) + ".lock";
    const int lock = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock < 0) {
        report(reportChannel, "failed: Korvane could not lock its browser connection.");
        return 1;
    }
    if (::flock(lock, LOCK_EX | LOCK_NB) != 0) {
        report(reportChannel, "busy");
        return 0;
    }

    QCoreApplication application(argc, argv);
    BrowserHost host(arguments.settings);
    int reported = reportChannel;
    QObject::connect(&host, &BrowserHost::ready, [&reported] {
        report(reported, "ready");
        ::close(reported);
        reported = -1;
    });
    QObject::connect(&host, &BrowserHost::failed, [&reported](const QString& sentence) {
        if (reported >= 0)
            report(reported, "failed: " + sentence.toUtf8());
        QCoreApplication::exit(1);
    });
    QObject::connect(&host, &BrowserHost::finished, [] { QCoreApplication::quit(); });
    host.start();
    const int status = application.exec();
    QFile::remove(arguments.settings.socketPath);
    return status;
}
