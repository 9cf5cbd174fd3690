#include "computeruse/PythonScriptRunner.h"

#include "computeruse/ScriptArtifactMarker.h"
#include "computeruse/ShellCommand.h"

#include <QDir>
#include <QFile>
#include <QObject>
#include <QSaveFile>
#include <qcoro/qcorosignal.h>

#include <cstdio>

namespace korvane {

namespace {

void printConsoleLine(const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

// One run at a time on this thread: the next waits until the previous released its turn.
class ScriptTurn final : public QObject {
    Q_OBJECT
public:
    bool busy = false;
Q_SIGNALS:
    void released();
};

ScriptTurn& scriptTurn()
{
    static thread_local ScriptTurn turn;
    return turn;
}

QString minutesText(std::chrono::milliseconds limit)
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(limit).count();
    if (seconds >= 60 && seconds % 60 == 0) {
        const auto minutes = seconds / 60;
        return QString::number(minutes) +
               (minutes == 1 ? QStringLiteral(" minute") : QStringLiteral(" minutes"));
    }
    return QString::number(seconds) +
           (seconds == 1 ? QStringLiteral(" second") : QStringLiteral(" seconds"));
}

} // namespace

PythonScriptRunner::PythonScriptRunner(QString workspace, std::chrono::milliseconds timeLimit)
    : m_workspace(std::move(workspace))
    , m_timeLimit(timeLimit)
{
}

QString PythonScriptRunner::environmentFolder() const
{
    return m_workspace + QStringLiteral("/korvane_venv");
}

QString PythonScriptRunner::interpreterPath() const
{
    return environmentFolder() + QStringLiteral("/bin/python3");
}

QString PythonScriptRunner::scriptPath() const
{
    return m_workspace + QStringLiteral("/temp_script.py");
}

QCoro::Task<std::optional<QString>> PythonScriptRunner::ensureVirtualEnvironment() const
{
    const QString interpreter = interpreterPath();
    if (QFile::exists(interpreter))
        co_return interpreter;
    const QString workspace = m_workspace;
    const QString environment = environmentFolder();
    QDir().mkpath(workspace);

    ShellCommandOptions options;
    options.workingDirectory = workspace;
    printConsoleLine(QStringLiteral("Initializing Python Virtual Environment at ") + environment +
                     QStringLiteral("..."));
    const ShellCommandResult created =
        co_await runShellCommand(QStringLiteral("python3 -m venv korvane_venv"), options);
    if (created.exitCode != 0) {
        printConsoleLine(QStringLiteral("Failed to create virtual environment: ") + created.error);
        co_return std::nullopt;
    }

    printConsoleLine(QStringLiteral("Installing virtual environment dependencies..."));
    const ShellCommandResult installed = co_await runShellCommand(
        shellQuoted(environment + QStringLiteral("/bin/pip")) +
            QStringLiteral(" install pandas openpyxl python-pptx matplotlib"),
        options);
    if (installed.exitCode != 0) {
        printConsoleLine(QStringLiteral("Failed to install virtual environment dependencies: ") +
                         installed.error);
        co_return std::nullopt;
    }
    printConsoleLine(QStringLiteral("Python Virtual Environment initialized successfully!"));
    co_return interpreter;
}

QCoro::Task<ComputerUseResult> PythonScriptRunner::run(QString code) const
{
    // Copies: the runner may be a temporary of the caller.
    const PythonScriptRunner self = *this;

    ScriptTurn& turn = scriptTurn();
    while (turn.busy)
        co_await qCoro(&turn, &ScriptTurn::released);
    turn.busy = true;
    struct Release {
        ScriptTurn& turn;
        ~Release()
        {
            turn.busy = false;
            // Queued, so the next run starts after this one has fully unwound.
            QMetaObject::invokeMethod(
                &turn, [&turn = turn] { Q_EMIT turn.released(); }, Qt::QueuedConnection);
        }
    } release{turn};

    const std::optional<QString> interpreter = co_await self.ensureVirtualEnvironment();
    if (!interpreter)
        co_return ComputerUseResult{
            QStringLiteral("Failed to initialize or verify Python virtual environment."),
            std::nullopt};

    const QString script = self.scriptPath();
    QSaveFile file(script);
    if (!file.open(QIODevice::WriteOnly) || file.write(code.toUtf8()) < 0 || !file.commit())
        co_return ComputerUseResult{QStringLiteral("Failed to write temporary script file: ") +
                                        file.errorString(),
                                    std::nullopt};

    ShellCommandOptions options;
    options.workingDirectory = self.m_workspace;
    options.timeLimit = self.m_timeLimit;
    // Quoted: a workspace path with a space or a shell character must stay one word.
    const ShellCommandResult result =
        co_await runShellCommand(shellQuoted(*interpreter) + u' ' + shellQuoted(script), options);
    QFile::remove(script);

    if (result.timedOut)
        co_return ComputerUseResult{
            QStringLiteral("Script was stopped after running for ") +
                minutesText(self.m_timeLimit) + QStringLiteral(" without finishing.\nError:\n") +
                result.error + QStringLiteral("\nOutput:\n") + result.output,
            std::nullopt};
    if (result.exitCode != 0)
        co_return ComputerUseResult{QStringLiteral("Script failed with exit code ") +
                                        QString::number(result.exitCode) +
                                        QStringLiteral(".\nError:\n") + result.error +
                                        QStringLiteral("\nOutput:\n") + result.output,
                                    std::nullopt};
    if (std::optional<Artifact> artifact = parseArtifactFromStdout(result.output))
        co_return ComputerUseResult{
            QStringLiteral("Successfully executed Python script and generated artifact '") +
                artifact->title + QStringLiteral("'."),
            std::move(artifact)};
    co_return ComputerUseResult{QStringLiteral("Successfully executed Python script.\nOutput:\n") +
                                    result.output,
                                std::nullopt};
}

} // namespace korvane

#include "PythonScriptRunner.moc"
