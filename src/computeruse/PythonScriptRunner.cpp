// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/PythonScriptRunner.h"

#include "computeruse/ScriptArtifactMarker.h"
#include "computeruse/ScriptEnvironmentActivity.h"
#include "computeruse/ScriptSandbox.h"
#include "computeruse/ShellCommand.h"
#include "core/ConsoleLine.h"
#include "core/SecretRedaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QSaveFile>
#include <QtConcurrent/QtConcurrentRun>
#include <qcoro/qcorofuture.h>
#include <qcoro/qcorosignal.h>

#include <unistd.h>

namespace korvane {

namespace {

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

// What scripts are promised, as pip names them, with the module each provides.
constexpr std::pair<const char*, const char*> scriptPackages[] = {
    {"pandas", "pandas"},
    {"openpyxl", "openpyxl"},
    {"python-pptx", "pptx"},
    {"matplotlib", "matplotlib"},
};

// The distribution's interpreter, whose site packages hold the packages Korvane depends on; a
// Python of one's own earlier on the path (pyenv, say) does not see them.
QString systemPython()
{
    const QString system = QStringLiteral("/usr/bin/python3");
    return QFileInfo(system).isExecutable() ? system : QStringLiteral("python3");
}

// The packages the environment's interpreter cannot import; all of them when it cannot tell.
QCoro::Task<QStringList> missingScriptPackages(QString interpreter, ShellCommandOptions options)
{
    QString check = QStringLiteral("import importlib.util\nfor name, module in (");
    QStringList all;
    for (const auto& [distribution, module] : scriptPackages) {
        check +=
            u"('" + QLatin1StringView(distribution) + u"', '" + QLatin1StringView(module) + u"'), ";
        all.append(QLatin1StringView(distribution));
    }
    check += QStringLiteral("):\n    if importlib.util.find_spec(module) is None:\n"
                            "        print(name)\n");
    const ShellCommandResult result = co_await runShellCommand(
        shellQuoted(interpreter) + QStringLiteral(" -c ") + shellQuoted(check), options);
    if (result.exitCode != 0)
        co_return all;
    co_return result.output.split(u'\n', Qt::SkipEmptyParts);
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

Outcome checkEnvironmentTrusted(const QString& environmentFolder)
{
    const uint user = ::geteuid();
    const QString refusal = QStringLiteral("The Python environment at ") + environmentFolder +
                            QStringLiteral(" was not run: ");
    for (const QString& folder :
         QStringList{environmentFolder, environmentFolder + QStringLiteral("/bin")}) {
        const QFileInfo info(folder);
        if (!info.isDir() || info.isSymLink() || info.ownerId() != user)
            return Outcome::failure(refusal + folder + QStringLiteral(" does not belong to you."));
        if (writableByOthers(info))
            return Outcome::failure(refusal + folder +
                                    QStringLiteral(" can be changed by other users."));
    }
    const QFileInfo interpreter(
        QFileInfo(environmentFolder + QStringLiteral("/bin/python3")).canonicalFilePath());
    if (!interpreter.isFile() || (interpreter.ownerId() != user && interpreter.ownerId() != 0) ||
        writableByOthers(interpreter))
        return Outcome::failure(
            refusal + QStringLiteral("its interpreter does not belong to you or the system."));
    return Outcome::success();
}

Outcome checkWorkspaceSuitable(const QString& workspace)
{
    const QString path = QDir::cleanPath(workspace);
    const QString home = QDir::cleanPath(QDir::homePath());
    if (!QDir::isAbsolutePath(path) || path == u"/" || home == path || home.startsWith(path + u'/'))
        return Outcome::failure(
            QStringLiteral("Scripts were not run: the workspace ") + path +
            QStringLiteral(" would give them the whole home folder. Set KORVANE_WORKSPACE to "
                           "a folder of their own."));
    return Outcome::success();
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
    const QString environment = environmentFolder();
    const QString stamp = environment + QStringLiteral("/.korvane-packages-installed");
    if (QFile::exists(interpreter) && QFile::exists(stamp))
        co_return interpreter;

    const ScriptEnvironmentActivity::Preparation preparing;
    ShellCommandOptions options;
    options.workingDirectory = m_workspace;
    if (!QFile::exists(interpreter)) {
        QDir().mkpath(m_workspace);
        printConsoleLine(QStringLiteral("Initializing Python Virtual Environment at ") +
                         environment + QStringLiteral("..."));
        // On top of the system's packages, so scripts run at once and without a network; the
        // system's pip serves it, so no copy of pip is bootstrapped.
        const ShellCommandResult created = co_await runShellCommand(
            systemPython() +
                QStringLiteral(" -m venv --system-site-packages --without-pip korvane_venv"),
            options);
        if (created.exitCode != 0) {
            printConsoleLine(QStringLiteral("Failed to create virtual environment: ") +
                             created.error);
            co_return std::nullopt;
        }
    }

    const QStringList missing = co_await missingScriptPackages(interpreter, options);
    if (!missing.isEmpty()) {
        printConsoleLine(QStringLiteral("Installing virtual environment dependencies..."));
        const ShellCommandResult installed = co_await runShellCommand(
            shellQuoted(interpreter) +
                QStringLiteral(" -m pip install --disable-pip-version-check --retries 1 "
                               "--timeout 20 ") +
                missing.join(u' '),
            options);
        if (installed.exitCode != 0) {
            // Offline, say: scripts that need only what the system has still run, and the
            // next script tries the install again.
            printConsoleLine(
                QStringLiteral("Failed to install virtual environment dependencies: ") +
                installed.error);
            co_return interpreter;
        }
    }
    // Without the mark the next script only checks the packages again.
    if (QFile mark(stamp); !mark.open(QIODevice::WriteOnly))
        printConsoleLine(QStringLiteral("Could not record the installed packages: ") +
                         mark.errorString());
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
    if (const Outcome suitable = checkWorkspaceSuitable(self.m_workspace); !suitable)
        co_return ComputerUseResult::failure(suitable.error());

    const std::optional<QString> interpreter = co_await self.ensureVirtualEnvironment();
    if (!interpreter)
        co_return ComputerUseResult::failure(
            QStringLiteral("Failed to initialize or verify Python virtual environment."));
    if (const Outcome trusted = checkEnvironmentTrusted(self.environmentFolder()); !trusted)
        co_return ComputerUseResult::failure(trusted.error());

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
