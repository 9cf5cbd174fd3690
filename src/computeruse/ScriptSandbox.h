// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace korvane {

// What a model-written script may see and do. Everything not named here is absent: the
// system is read-only, the home folder shows only its visible entries and read-only, the
// workspace and Downloads are writable, the environment folder is read-only, and there is no
// network unless the person allowed it.
struct ScriptSandboxPlan {
    // The program that builds the sandbox (bwrap).
    QString launcher;
    // System folders shown read-only (/usr, /etc…) and the links at the root that point into
    // them (/bin → usr/bin on merged systems).
    QStringList systemFolders;
    QList<std::pair<QString, QString>> systemLinks;
    QString home;
    // The visible (not hidden) entries of the home folder, as absolute paths.
    QStringList homeEntries;
    // Those of them that are symbolic links, with their targets.
    QList<std::pair<QString, QString>> homeLinks;
    QString workspace;
    QString environmentFolder;
    // Absent when there is no Downloads folder apart from the home folder itself.
    std::optional<QString> downloads;
    // Files that stay hidden wherever they are (Korvane's own configuration files).
    QStringList maskedFiles;
    // The Python installation the environment's interpreter belongs to, when it lies outside
    // the system folders (pyenv under a hidden folder of the home, say); read-only.
    std::optional<QString> interpreterPrefix;
    // Where /etc/resolv.conf really lives, when that is outside /etc (under /run, say).
    std::optional<QString> resolverFile;
    bool network = false;
    // Variables the script sees; nothing else of Korvane's environment gets in.
    QList<std::pair<QString, QString>> environment;
};

struct ScriptLimits {
    qint64 addressSpaceBytes = qint64(4) * 1024 * 1024 * 1024;
    qint64 fileSizeBytes = qint64(2) * 1024 * 1024 * 1024;
    qint64 temporaryFolderBytes = qint64(512) * 1024 * 1024;
    int cpuSeconds = 10 * 60;
    // Processes and threads together. The kernel does not hold root to it.
    int processes = 512;
};

// The bwrap command line that runs `command` (an absolute program path and its arguments)
// inside the sandbox of `plan`, the program first.
QStringList scriptSandboxCommand(const ScriptSandboxPlan& plan, const ScriptLimits& limits,
                                 const QStringList& command);

// The path of bwrap, or absent when bubblewrap is not installed.
std::optional<QString> findSandboxLauncher();

// "Model-written scripts run only in a sandbox, and bubblewrap is not installed…".
QString sandboxMissingSentence();

// The plan for this computer and person: the home folder listed, the Downloads folder and the
// configuration files found. Reads folders: call it off the window's thread.
ScriptSandboxPlan planScriptSandbox(const QString& launcher, const QString& workspace,
                                    const QString& environmentFolder, bool network);

} // namespace korvane
