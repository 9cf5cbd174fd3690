// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/ShellCommand.h"

#include <QFileInfo>
#include <QProcess>
#include <QStringDecoder>
#include <qcoro/qcoroprocess.h>

#include <csignal>
#include <memory>
#include <unistd.h>

namespace korvane {

namespace {

// A stream kept up to its cap; what comes after is read and dropped.
struct CappedStream {
    QByteArray bytes{};
    bool truncated = false;

    void append(const QByteArray& chunk, qsizetype cap)
    {
        const qsizetype room = cap - bytes.size();
        if (chunk.size() > room) {
            truncated = true;
            if (room > 0)
                bytes.append(chunk.first(room));
            return;
        }
        bytes.append(chunk);
    }
};

// Undecodable text becomes empty text. A stream cut at the cap may end inside a character;
// that partial character is dropped first.
QString decoded(QByteArray bytes, bool truncated)
{
    if (truncated) {
        qsizetype cut = bytes.size();
        for (int back = 1; back <= 3 && cut - back >= 0; ++back) {
            const auto byte = static_cast<unsigned char>(bytes.at(cut - back));
            if ((byte & 0xC0) == 0x80)
                continue;
            const int length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
            if (length > back)
                bytes.truncate(cut - back);
            break;
        }
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return {};
    return text;
}

} // namespace

QString shellQuoted(const QString& text)
{
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

QCoro::Task<ShellCommandResult> runShellCommand(QString command, ShellCommandOptions options)
{
    return runProcess(QStringLiteral("/bin/bash"), {QStringLiteral("-c"), std::move(command)},
                      std::move(options));
}

QCoro::Task<ShellCommandResult> runProcess(QString program, QStringList arguments,
                                           ShellCommandOptions options)
{
    auto process = std::make_unique<QProcess>();
    process->setProgram(program);
    process->setArguments(arguments);
    if (options.workingDirectory)
        process->setWorkingDirectory(*options.workingDirectory);
    // Its own process group, so a time-out stops everything the command started.
    process->setChildProcessModifier([] { ::setpgid(0, 0); });

    auto output = std::make_shared<CappedStream>();
    auto error = std::make_shared<CappedStream>();
    const qsizetype cap = options.maximumStreamBytes;
    QProcess* raw = process.get();
    QObject::connect(raw, &QProcess::readyReadStandardOutput, raw,
                     [raw, output, cap] { output->append(raw->readAllStandardOutput(), cap); });
    QObject::connect(raw, &QProcess::readyReadStandardError, raw,
                     [raw, error, cap] { error->append(raw->readAllStandardError(), cap); });

    ShellCommandResult result;
    // A launch that fails in the child (a working folder that is no folder) is only noticed
    // when the wait for its start times out: say so at once instead.
    if (options.workingDirectory && !QFileInfo(*options.workingDirectory).isDir()) {
        result.error = QStringLiteral("Process launch failed: ") + *options.workingDirectory +
                       QStringLiteral(" is not a folder");
        result.exitCode = -1;
        co_return result;
    }
    const bool started = co_await qCoro(*process).start();
    if (!started) {
        result.error = QStringLiteral("Process launch failed: ") + process->errorString();
        result.exitCode = -1;
        co_return result;
    }

    const bool finished = co_await qCoro(*process).waitForFinished(options.timeLimit);
    if (!finished) {
        result.timedOut = true;
        ::kill(-static_cast<pid_t>(process->processId()), SIGKILL);
        co_await qCoro(*process).waitForFinished(std::chrono::seconds(10));
    }
    output->append(process->readAllStandardOutput(), cap);
    error->append(process->readAllStandardError(), cap);

    result.output = decoded(output->bytes, output->truncated);
    result.error = decoded(error->bytes, error->truncated);
    result.truncated = output->truncated || error->truncated;
    result.exitCode = process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
    co_return result;
}

} // namespace korvane
