// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/atspi/AtspiWorkspace.h"

#include "platform/AutomationThread.h"
#include "platform/linux/atspi/AtspiActivationHistory.h"
#include "platform/linux/atspi/AtspiSupport.h"
#include "platform/linux/xdg/DesktopEntryLauncher.h"
#include "platform/linux/xdg/RunningProgram.h"
#include "platform/linux/xdg/XdgApplicationCatalog.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QSet>
#include <qcoro/qcorofuture.h>

namespace korvane {

namespace {

using namespace atspi;

// An application on the accessibility bus and whether it shows a window, or the active one.
struct AccessibleApplication {
    QString name{};
    qint64 processId = 0;
    bool hasWindow = false;
    bool active = false;
};

// The applications on the bus, in the registry's order.
QList<AccessibleApplication> accessibleApplications()
{
    QList<AccessibleApplication> found;
    if (!accessibilityReady(true))
        return found;
    GObjectPtr<AtspiAccessible> desktop{atspi_get_desktop(0)};
    if (!desktop)
        return found;
    CallError error;
    const gint count = atspi_accessible_get_child_count(desktop.get(), error.out());
    for (gint i = 0; !error.failed() && i < count; ++i) {
        GObjectPtr<AtspiAccessible> application{
            atspi_accessible_get_child_at_index(desktop.get(), i, error.out())};
        if (error.failed() || !application) {
            error.out();
            continue;
        }
        AccessibleApplication entry;
        entry.processId = qint64(atspi_accessible_get_process_id(application.get(), error.out()));
        if (error.failed() || entry.processId <= 0) {
            error.out();
            continue;
        }
        entry.name = takeString(atspi_accessible_get_name(application.get(), error.out()));
        const gint windows = atspi_accessible_get_child_count(application.get(), error.out());
        for (gint w = 0; !error.failed() && w < windows && !entry.active; ++w) {
            GObjectPtr<AtspiAccessible> window{
                atspi_accessible_get_child_at_index(application.get(), w, error.out())};
            if (error.failed() || !window)
                continue;
            const quint64 bits = states(window.get());
            entry.hasWindow = entry.hasWindow || hasState(bits, ATSPI_STATE_VISIBLE);
            entry.active = hasState(bits, ATSPI_STATE_ACTIVE);
        }
        error.out();
        found.append(entry);
    }
    return found;
}

RunningApplication running(const QList<DesktopEntry>& entries, const QString& name,
                           qint64 processId)
{
    RunningApplication application;
    application.name = name;
    application.displayName = name;
    if (std::optional<DesktopEntry> entry = entryForProgram(entries, {name, name, processId})) {
        application.desktopEntryId = entry->id;
        application.displayName = entry->name;
    }
    application.processId = processId;
    return application;
}

// This user's processes whose program is an entry's, lowest process id first (a program's
// first process is normally its main one).
QList<RunningApplication> processesOfEntries(const QList<DesktopEntry>& entries)
{
    // Programs that only start others name no application of their own.
    static const QSet<QString> launchers = {
        QStringLiteral("env"),     QStringLiteral("sh"),   QStringLiteral("bash"),
        QStringLiteral("flatpak"), QStringLiteral("snap"), QStringLiteral("python3"),
        QStringLiteral("perl"),    QStringLiteral("java"),
    };
    QHash<QString, const DesktopEntry*> byExecutable;
    for (const DesktopEntry& entry : entries) {
        const QString executable = entry.executableName();
        if (!executable.isEmpty() && !launchers.contains(executable) &&
            !byExecutable.contains(executable))
            byExecutable.insert(executable, &entry);
    }
    QList<qint64> processIds;
    const QStringList names = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& name : names) {
        bool numeric = false;
        const qint64 processId = name.toLongLong(&numeric);
        if (numeric && processId > 0)
            processIds.append(processId);
    }
    std::sort(processIds.begin(), processIds.end());
    QList<RunningApplication> found;
    QSet<QString> seen;
    for (qint64 processId : std::as_const(processIds)) {
        const QString executable = processExecutable(processId);
        const DesktopEntry* entry = byExecutable.value(executable);
        if (!entry || seen.contains(entry->id))
            continue;
        seen.insert(entry->id);
        found.append({entry->id, executable, processId, entry->name});
    }
    return found;
}

QList<RunningApplication> runningNow(const XdgApplicationCatalog& catalog)
{
    const QList<DesktopEntry> entries = catalog.desktopEntries();
    QList<RunningApplication> applications;
    for (const AccessibleApplication& found : accessibleApplications()) {
        if (found.hasWindow)
            applications.append(running(entries, found.name, found.processId));
    }
    // Programs that expose no accessibility tree still run: the process table knows them.
    for (RunningApplication& process : processesOfEntries(entries)) {
        const bool known = std::any_of(applications.cbegin(), applications.cend(),
                                       [&](const RunningApplication& seen) {
                                           return seen.processId == process.processId ||
                                                  seen.desktopEntryId == process.desktopEntryId;
                                       });
        if (!known)
            applications.append(std::move(process));
    }
    return applications;
}

} // namespace

AtspiWorkspace::AtspiWorkspace(std::shared_ptr<const XdgApplicationCatalog> catalog,
                               std::shared_ptr<const AtspiActivationHistory> history,
                               WindowRaiser raise)
    : m_catalog(std::move(catalog))
    , m_history(std::move(history))
    , m_raise(std::move(raise))
{
}

AtspiWorkspace::~AtspiWorkspace() = default;

QCoro::Task<std::optional<RunningApplication>> AtspiWorkspace::frontmostApplication()
{
    std::shared_ptr<const XdgApplicationCatalog> catalog = m_catalog;
    auto future = runOnAutomationThread([catalog]() -> std::optional<RunningApplication> {
        for (const AccessibleApplication& found : accessibleApplications()) {
            if (found.active)
                return running(catalog->desktopEntries(), found.name, found.processId);
        }
        return std::nullopt;
    });
    // Awaited as a named future: GCC 12 destroys lambda temporaries of a co_await twice.
    co_return co_await future;
}

QCoro::Task<QList<RunningApplication>> AtspiWorkspace::runningApplications()
{
    std::shared_ptr<const XdgApplicationCatalog> catalog = m_catalog;
    auto future = runOnAutomationThread([catalog] { return runningNow(*catalog); });
    co_return co_await future;
}

QCoro::Task<Outcome> AtspiWorkspace::openApplication(QUrl application)
{
    std::shared_ptr<const XdgApplicationCatalog> catalog = m_catalog;
    WindowRaiser raise = m_raise;
    auto future = runOnAutomationThread([catalog, raise, application]() -> Outcome {
        const std::optional<DesktopEntry> entry = catalog->entryAt(application);
        if (!entry)
            return Outcome::failure(QStringLiteral("The application entry could not be read."));
        // Already running: bring it forward where the desktop lets Korvane, rather than start a
        // second copy.
        for (const RunningApplication& running : runningNow(*catalog)) {
            if (running.desktopEntryId == entry->id) {
                if (raise)
                    raise(running.processId);
                return Outcome::success();
            }
        }
        return DesktopEntryLauncher::launch(*entry);
    });
    co_return co_await future;
}

QCoro::Task<bool> AtspiWorkspace::open(QUrl url)
{
    return DesktopEntryLauncher::open(std::move(url));
}

QCoro::Task<std::optional<RunningApplication>> AtspiWorkspace::applicationBeforeOwnWindow()
{
    std::shared_ptr<const XdgApplicationCatalog> catalog = m_catalog;
    const QList<qint64> recent = m_history ? m_history->recentProcesses() : QList<qint64>();
    const qint64 ownProcess = QCoreApplication::applicationPid();
    auto future =
        runOnAutomationThread([catalog, recent, ownProcess]() -> std::optional<RunningApplication> {
            // Only applications that still show a window.
            const QList<AccessibleApplication> showing = accessibleApplications();
            for (qint64 processId : recent) {
                if (processId == ownProcess)
                    continue;
                for (const AccessibleApplication& found : showing) {
                    if (found.processId == processId && found.hasWindow)
                        return running(catalog->desktopEntries(), found.name, processId);
                }
            }
            return std::nullopt;
        });
    co_return co_await future;
}

QCoro::Task<bool> AtspiWorkspace::activate(RunningApplication application)
{
    WindowRaiser raise = m_raise;
    if (!raise || application.processId <= 0)
        co_return false;
    auto future = runOnAutomationThread(
        [raise, processId = application.processId] { return raise(processId); });
    co_return co_await future;
}

} // namespace korvane
