#include "computeruse/PythonScriptRunner.h"

#include "computeruse/ScriptArtifactMarker.h"
#include "computeruse/ScriptEnvironmentActivity.h"
#include "computeruse/ShellCommand.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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
