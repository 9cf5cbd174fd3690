// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/ScriptSandbox.h"

#include "core/Configuration.h"
#include "core/LocalEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace korvane {

namespace {

const QString sandboxTemporaryFolder = QStringLiteral("/tmp");

void add(QStringList& arguments, std::initializer_list<QString> words)
{
    for (const QString& word : words)
        arguments.append(word);
}

// Folders a Python script needs from the system; absent ones are skipped.
const QStringList systemRootFolders{QStringLiteral("/usr"), QStringLiteral("/etc"),
                                    QStringLiteral("/opt")};
const QStringList systemRootLinks{QStringLiteral("/bin"),   QStringLiteral("/sbin"),
                                  QStringLiteral("/lib"),   QStringLiteral("/lib32"),
                                  QStringLiteral("/lib64"), QStringLiteral("/libx32")};

} // namespace

QStringList scriptSandboxCommand(const ScriptSandboxPlan& plan, const ScriptLimits& limits,
                                 const QStringList& command)
{
    QStringList arguments{plan.launcher};
    // Own user, process, IPC, host name and network namespaces; no capabilities; no way to
    // reach the terminal Korvane was started from; gone when Korvane goes. In its own process
    // namespace, the whole tree ends when the script does, setsid or not.
    add(arguments,
        {QStringLiteral("--unshare-all"), QStringLiteral("--unshare-user"),
         QStringLiteral("--disable-userns"), QStringLiteral("--cap-drop"), QStringLiteral("ALL"),
         QStringLiteral("--die-with-parent"), QStringLiteral("--new-session")});
    if (plan.network)
        arguments.append(QStringLiteral("--share-net"));

    for (const QString& folder : plan.systemFolders)
        add(arguments, {QStringLiteral("--ro-bind"), folder, folder});
    for (const auto& [link, target] : plan.systemLinks)
        add(arguments, {QStringLiteral("--symlink"), target, link});
    add(arguments, {QStringLiteral("--proc"), QStringLiteral("/proc"), QStringLiteral("--dev"),
                    QStringLiteral("/dev"), QStringLiteral("--size"),
                    QString::number(limits.temporaryFolderBytes), QStringLiteral("--tmpfs"),
                    sandboxTemporaryFolder});
    if (plan.network && plan.resolverFile)
        add(arguments, {QStringLiteral("--ro-bind"), *plan.resolverFile, *plan.resolverFile});

    // The home folder without its hidden entries, read-only: a folder of its own, sealed once
    // everything below it is in place.
    add(arguments, {QStringLiteral("--tmpfs"), plan.home});
    for (const QString& entry : plan.homeEntries)
        add(arguments, {QStringLiteral("--ro-bind"), entry, entry});
    for (const auto& [link, target] : plan.homeLinks)
        add(arguments, {QStringLiteral("--symlink"), target, link});

    if (plan.interpreterPrefix)
        add(arguments,
            {QStringLiteral("--ro-bind"), *plan.interpreterPrefix, *plan.interpreterPrefix});

    // Writable places, then what must stay read-only inside them.
    add(arguments, {QStringLiteral("--bind"), plan.workspace, plan.workspace});
    if (plan.downloads)
        add(arguments, {QStringLiteral("--bind"), *plan.downloads, *plan.downloads});
    add(arguments, {QStringLiteral("--ro-bind"), plan.environmentFolder, plan.environmentFolder});
    for (const QString& file : plan.maskedFiles)
        add(arguments, {QStringLiteral("--ro-bind"), QStringLiteral("/dev/null"), file});

    add(arguments, {QStringLiteral("--remount-ro"), plan.home, QStringLiteral("--chdir"),
                    plan.workspace, QStringLiteral("--clearenv")});
    for (const auto& [name, value] : plan.environment)
        add(arguments, {QStringLiteral("--setenv"), name, value});

    // Limits inside the sandbox: the process count of its own user namespace only.
    add(arguments, {QStringLiteral("--"), QStringLiteral("/usr/bin/prlimit"),
                    QStringLiteral("--as=") + QString::number(limits.addressSpaceBytes),
                    QStringLiteral("--fsize=") + QString::number(limits.fileSizeBytes),
                    QStringLiteral("--cpu=") + QString::number(limits.cpuSeconds),
                    QStringLiteral("--nproc=") + QString::number(limits.processes),
                    QStringLiteral("--core=0"), QStringLiteral("--")});
    arguments.append(command);
    return arguments;
}

std::optional<QString> findSandboxLauncher()
{
    const QString found = QStandardPaths::findExecutable(QStringLiteral("bwrap"));
    if (found.isEmpty())
        return std::nullopt;
    return found;
}

QString sandboxMissingSentence()
{
    return QStringLiteral(
        "Model-written scripts run only in a sandbox, and bubblewrap is not installed. Install "
        "the bubblewrap package (sudo apt install bubblewrap), then try again.");
}

ScriptSandboxPlan planScriptSandbox(const QString& launcher, const QString& workspace,
                                    const QString& environmentFolder, bool network)
{
    ScriptSandboxPlan plan;
    plan.launcher = launcher;
    plan.workspace = workspace;
    plan.environmentFolder = environmentFolder;
    plan.network = network;

    for (const QString& folder : systemRootFolders) {
        if (QFileInfo(folder).isDir())
            plan.systemFolders.append(folder);
    }
    for (const QString& link : systemRootLinks) {
        const QFileInfo info(link);
        if (info.isSymLink())
            plan.systemLinks.append({link, info.symLinkTarget()});
        else if (info.isDir())
            plan.systemFolders.append(link);
    }

    plan.home = QDir::homePath();
    const QFileInfoList entries = QDir(plan.home).entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System, QDir::Name);
    for (const QFileInfo& entry : entries) {
        // QDir leaves hidden entries out already; the name check says why it matters.
        if (entry.fileName().startsWith(u'.'))
            continue;
        if (entry.isSymLink())
            plan.homeLinks.append({entry.absoluteFilePath(), entry.symLinkTarget()});
        else
            plan.homeEntries.append(entry.absoluteFilePath());
    }

    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (!downloads.isEmpty() && QDir(downloads) != QDir(plan.home) && QDir().mkpath(downloads))
        plan.downloads = QDir(downloads).canonicalPath();

    // Korvane's own configuration may sit anywhere a script can see, a checkout's .env.local
    // included; under a hidden folder of the home it is out of sight already.
    const QDir home(plan.home);
    for (const QString& file : LocalEnvironment::candidateEnvFiles()) {
        const QString relative = home.relativeFilePath(file);
        const bool belowHiddenEntry = !relative.startsWith(QStringLiteral("../")) &&
                                      relative.startsWith(u'.') && relative.contains(u'/');
        if (QFileInfo(file).isFile() && !belowHiddenEntry)
            plan.maskedFiles.append(file);
    }
    // The interpreter is bin/pythonX.Y of its installation.
    const QString interpreter =
        QFileInfo(environmentFolder + QStringLiteral("/bin/python3")).canonicalFilePath();
    const bool inSystemFolder =
        std::any_of(plan.systemFolders.begin(), plan.systemFolders.end(),
                    [&](const QString& folder) { return interpreter.startsWith(folder + u'/'); });
    if (!interpreter.isEmpty() && !inSystemFolder)
        plan.interpreterPrefix =
            QDir::cleanPath(QFileInfo(interpreter).absolutePath() + QStringLiteral("/.."));

    const QFileInfo resolver(QStringLiteral("/etc/resolv.conf"));
    if (resolver.isSymLink() && !resolver.canonicalFilePath().startsWith(u"/etc/"))
        plan.resolverFile = resolver.canonicalFilePath();

    const auto fromProcess = [&plan](const char* name) {
        if (const QString value = qEnvironmentVariable(name); !value.isEmpty())
            plan.environment.append({QString::fromLatin1(name), value});
    };
    plan.environment = {
        {QStringLiteral("PATH"),
         environmentFolder + QStringLiteral("/bin:/usr/local/bin:/usr/bin:/bin")},
        {QStringLiteral("HOME"), plan.home},
        {QStringLiteral("TMPDIR"), sandboxTemporaryFolder},
        {QStringLiteral("VIRTUAL_ENV"), environmentFolder},
        {QStringLiteral("PYTHONDONTWRITEBYTECODE"), QStringLiteral("1")},
        // The home folder is read-only; plotting needs somewhere for its caches and no screen.
        {QStringLiteral("MPLCONFIGDIR"), sandboxTemporaryFolder + QStringLiteral("/matplotlib")},
        {QStringLiteral("XDG_CACHE_HOME"), sandboxTemporaryFolder + QStringLiteral("/cache")},
        {QStringLiteral("MPLBACKEND"), QStringLiteral("Agg")},
    };
    fromProcess("LANG");
    fromProcess("LC_ALL");
    fromProcess("LC_CTYPE");
    fromProcess("TZ");
    if (network) {
        // Only with the network can a script use the key, so only then does it get it.
        if (const std::optional<QString> key = LocalEnvironment::value(Configuration::apiKeyName))
            plan.environment.append({Configuration::apiKeyName, *key});
        plan.environment.append({Configuration::openAIBaseUrlName,
                                 Configuration::value(Configuration::openAIBaseUrlName)});
    }
    return plan;
}

} // namespace korvane
