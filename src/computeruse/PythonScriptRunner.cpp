#include "computeruse/PythonScriptRunner.h"

#include "computeruse/ScriptArtifactMarker.h"
#include "computeruse/ScriptSandbox.h"
#include "computeruse/ShellCommand.h"
#include "core/SecretRedaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QSaveFile>
#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>
#include <qcoro/qcorofuture.h>
#include <qcoro/qcorosignal.h>

#include <cstdio>
#include <unistd.h>

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

bool writableByOthers(const QFileInfo& info)
{
    return info.permissions() & (QFileDevice::WriteGroup | QFileDevice::WriteOther);
}

// bwrap reports its own failures on standard error, prefixed with its name, and exits with 1.
bool sandboxFailedToStart(const ShellCommandResult& result)
{
    return result.exitCode == 1 && result.output.isEmpty() &&
           result.error.startsWith(QStringLiteral("bwrap: "));
}

// The finished run as the person and the model see it: the marker's artifact (a markdown
// file read within bounds) and the sentence, cleared of the API key. Reads files: off the
// window's thread.
ComputerUseResult describeRun(const ShellCommandResult& result, const QString& limitText,
                              const QStringList& shareableFolders)
{
    ComputerUseResult described;
    described.failed = sandboxFailedToStart(result) || result.timedOut || result.exitCode != 0;
    if (sandboxFailedToStart(result)) {
        described.summary =
            QStringLiteral("The script's sandbox could not start: ") + result.error.trimmed();
    } else if (result.timedOut) {
        described.summary = QStringLiteral("Script was stopped after running for ") + limitText +
                            QStringLiteral(" without finishing.\nError:\n") + result.error +
                            QStringLiteral("\nOutput:\n") + result.output;
    } else if (result.exitCode != 0) {
        described.summary = QStringLiteral("Script failed with exit code ") +
                            QString::number(result.exitCode) + QStringLiteral(".\nError:\n") +
                            result.error + QStringLiteral("\nOutput:\n") + result.output;
    } else if (std::optional<Artifact> artifact = parseArtifactFromStdout(result.output)) {
        if (artifact->kind == ArtifactKind::markdown)
            artifact->body = readArtifactFile(artifact->body, shareableFolders);
        described.summary =
            QStringLiteral("Successfully executed Python script and generated artifact '") +
            artifact->title + QStringLiteral("'.");
        described.artifact = std::move(artifact);
    } else {
        described.summary =
            QStringLiteral("Successfully executed Python script.\nOutput:\n") + result.output;
    }

    // A script with the network holds the key and may print it.
    described.summary = redactSecrets(described.summary);
    if (described.artifact) {
        described.artifact->title = redactSecrets(described.artifact->title);
        described.artifact->body = redactSecrets(described.artifact->body);
    }
    return described;
}

} // namespace

std::optional<QString> untrustedEnvironmentReason(const QString& environmentFolder)
{
    const uint user = ::geteuid();
    const QString refusal = QStringLiteral("The Python environment at ") + environmentFolder +
                            QStringLiteral(" was not run: ");
    for (const QString& folder :
         QStringList{environmentFolder, environmentFolder + QStringLiteral("/bin")}) {
        const QFileInfo info(folder);
        if (!info.isDir() || info.isSymLink() || info.ownerId() != user)
            return refusal + folder + QStringLiteral(" does not belong to you.");
        if (writableByOthers(info))
            return refusal + folder + QStringLiteral(" can be changed by other users.");
    }
    const QFileInfo interpreter(
        QFileInfo(environmentFolder + QStringLiteral("/bin/python3")).canonicalFilePath());
    if (!interpreter.isFile() || (interpreter.ownerId() != user && interpreter.ownerId() != 0) ||
        writableByOthers(interpreter))
        return refusal + QStringLiteral("its interpreter does not belong to you or the system.");
    return std::nullopt;
}

std::optional<QString> unsuitableWorkspaceReason(const QString& workspace)
{
    const QString path = QDir::cleanPath(workspace);
    const QString home = QDir::cleanPath(QDir::homePath());
    if (!QDir::isAbsolutePath(path) || path == u"/" || home == path || home.startsWith(path + u'/'))
        return QStringLiteral("Scripts were not run: the workspace ") + path +
               QStringLiteral(" would give them the whole home folder. Set KORVANE_WORKSPACE to "
                              "a folder of their own.");
    return std::nullopt;
}

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

QCoro::Task<ComputerUseResult> PythonScriptRunner::run(QString code,
                                                       ScriptPermissions permissions) const
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

    const std::optional<QString> launcher = findSandboxLauncher();
    if (!launcher)
        co_return ComputerUseResult::failure(sandboxMissingSentence());
    if (const std::optional<QString> reason = unsuitableWorkspaceReason(self.m_workspace))
        co_return ComputerUseResult::failure(*reason);

    const std::optional<QString> interpreter = co_await self.ensureVirtualEnvironment();
    if (!interpreter)
        co_return ComputerUseResult::failure(
            QStringLiteral("Failed to initialize or verify Python virtual environment."));
    if (const std::optional<QString> reason = untrustedEnvironmentReason(self.environmentFolder()))
        co_return ComputerUseResult::failure(*reason);

    const QString script = self.scriptPath();
    QSaveFile file(script);
    if (!file.open(QIODevice::WriteOnly) || file.write(code.toUtf8()) < 0 || !file.commit())
        co_return ComputerUseResult::failure(
            QStringLiteral("Failed to write temporary script file: ") + file.errorString());

    // Listing the home folder and reading the key touch files: not on this thread.
    const QString workspace = self.m_workspace;
    const QString environment = self.environmentFolder();
    // Awaited as named futures: GCC 12 destroys lambda temporaries of a co_await twice.
    QFuture<ScriptSandboxPlan> planning = QtConcurrent::run(
        [=] { return planScriptSandbox(*launcher, workspace, environment, permissions.network); });
    const ScriptSandboxPlan plan = co_await planning;
    QStringList command = scriptSandboxCommand(plan, ScriptLimits{}, {*interpreter, script});
    QString program = command.takeFirst();

    ShellCommandOptions options;
    options.workingDirectory = workspace;
    options.timeLimit = self.m_timeLimit;
    const ShellCommandResult result =
        co_await runProcess(std::move(program), std::move(command), std::move(options));
    QFile::remove(script);

    QStringList shareable{workspace};
    if (plan.downloads)
        shareable.append(*plan.downloads);
    const QString limitText = minutesText(self.m_timeLimit);
    QFuture<ComputerUseResult> describing =
        QtConcurrent::run([=] { return describeRun(result, limitText, shareable); });
    co_return co_await describing;
}

} // namespace korvane

#include "PythonScriptRunner.moc"
