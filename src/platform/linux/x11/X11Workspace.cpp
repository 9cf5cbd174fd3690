// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/x11/X11Workspace.h"

#include "platform/AutomationThread.h"
#include "platform/linux/x11/X11ActivationHistory.h"
#include "platform/linux/xdg/DesktopEntryLauncher.h"
#include "platform/linux/xdg/RunningProgram.h"
#include "platform/linux/xdg/XdgApplicationCatalog.h"

#include <QCoreApplication>
#include <qcoro/qcorofuture.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include <unistd.h>

namespace korvane {

namespace {

// A handler that only notes the error: Xlib's default one ends the process, and a window
// may vanish between listing and reading it.
int ignoreError(Display*, XErrorEvent*)
{
    return 0;
}

struct WindowInfo {
    Window window = 0;
    QString instance{};
    QString windowClass{};
    qint64 processId = 0;
};

class Connection {
public:
    Connection()
        : m_previous(XSetErrorHandler(ignoreError))
        , m_display(XOpenDisplay(nullptr))
    {
    }
    ~Connection()
    {
        if (m_display)
            XCloseDisplay(m_display);
        XSetErrorHandler(m_previous);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Display* display() const { return m_display; }

    Atom atom(const char* name) const { return XInternAtom(m_display, name, False); }

    // The property as a list of 32-bit items (windows, cardinals).
    QList<unsigned long> cardinals(Window window, const char* property, Atom type) const
    {
        Atom actualType = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        QList<unsigned long> values;
        if (XGetWindowProperty(m_display, window, atom(property), 0, 4096, False, type, &actualType,
                               &format, &count, &remaining, &data) == Success &&
            data && format == 32) {
            const auto* items = reinterpret_cast<const unsigned long*>(data);
            for (unsigned long i = 0; i < count; ++i)
                values.append(items[i]);
        }
        if (data)
            XFree(data);
        return values;
    }

    WindowInfo describe(Window window) const
    {
        WindowInfo info;
        info.window = window;
        XClassHint hint{};
        if (XGetClassHint(m_display, window, &hint)) {
            info.instance = QString::fromLocal8Bit(hint.res_name);
            info.windowClass = QString::fromLocal8Bit(hint.res_class);
            XFree(hint.res_name);
            XFree(hint.res_class);
        }
        info.processId = ownerProcess(window);
        if (info.processId <= 0) {
            const QList<unsigned long> pid = cardinals(window, "_NET_WM_PID", XA_CARDINAL);
            if (!pid.isEmpty())
                info.processId = static_cast<qint64>(pid.first());
        }
        return info;
    }

    // The process of the client that made the window, as the server knows it: _NET_WM_PID is
    // only what the client claims, and many clients do not set it.
    qint64 ownerProcess(Window window) const
    {
        int eventBase = 0;
        int errorBase = 0;
        if (!XResQueryExtension(m_display, &eventBase, &errorBase))
            return 0;
        XResClientIdSpec clientSpec{};
        clientSpec.client = window;
        clientSpec.mask = XRES_CLIENT_ID_PID_MASK;
        long count = 0;
        XResClientIdValue* values = nullptr;
        if (XResQueryClientIds(m_display, 1, &clientSpec, &count, &values) != Success)
            return 0;
        qint64 pid = 0;
        for (long i = 0; i < count && pid <= 0; ++i)
            pid = XResGetClientPid(&values[i]);
        XResClientIdsDestroy(count, values);
        return pid > 0 ? pid : 0;
    }

    std::optional<WindowInfo> activeWindow() const
    {
        const QList<unsigned long> active =
            cardinals(DefaultRootWindow(m_display), "_NET_ACTIVE_WINDOW", XA_WINDOW);
        if (active.isEmpty() || active.first() == 0)
            return std::nullopt;
        return describe(active.first());
    }

    QList<unsigned long> clientWindowIds() const
    {
        return cardinals(DefaultRootWindow(m_display), "_NET_CLIENT_LIST", XA_WINDOW);
    }

    QList<WindowInfo> clientWindows() const
    {
        QList<WindowInfo> windows;
        for (unsigned long window : clientWindowIds())
            windows.append(describe(window));
        return windows;
    }

    // Asked by an application, or by a pager: the latter is what a person's own switch looks
    // like, which window managers never refuse as focus stealing.
    enum class Requester : long { application = 1, pager = 2 };

    void activate(Window window, Requester requester = Requester::application) const
    {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = atom("_NET_ACTIVE_WINDOW");
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(requester);
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(m_display, DefaultRootWindow(m_display), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &event);
        XFlush(m_display);
    }

private:
    XErrorHandler m_previous;
    Display* m_display;
};

std::optional<DesktopEntry> entryForWindow(const QList<DesktopEntry>& entries,
                                           const WindowInfo& window)
{
    return entryForProgram(entries, {window.windowClass, window.instance, window.processId});
}

QString windowName(const WindowInfo& window)
{
    return window.windowClass.isEmpty() ? window.instance : window.windowClass;
}

RunningApplication runningApplication(const QList<DesktopEntry>& entries, const WindowInfo& window)
{
    RunningApplication application;
    application.name = windowName(window);
    application.displayName = application.name;
    if (std::optional<DesktopEntry> entry = entryForWindow(entries, window)) {
        application.desktopEntryId = entry->id;
        if (!entry->name.isEmpty())
            application.displayName = entry->name;
    }
    application.processId = window.processId;
    return application;
}

} // namespace

X11Workspace::X11Workspace(std::shared_ptr<const XdgApplicationCatalog> catalog)
    : m_catalog(std::move(catalog))
    , m_history(std::make_shared<X11ActivationHistory>())
{
}

X11Workspace::~X11Workspace() = default;

QCoro::Task<std::optional<RunningApplication>> X11Workspace::frontmostApplication()
{
    std::shared_ptr<const XdgApplicationCatalog> catalog = m_catalog;
    auto future = runOnAutomationThread([catalog]() -> std::optional<RunningApplication> {
        const Connection connection;
        if (!connection.display())
            return std::nullopt;
        const std::optional<WindowInfo> window = connection.activeWindow();
        if (!window)
            return std::nullopt;
        return runningApplication(catalog->desktopEntries(), *window);
    });
    // Awaited as a named future: GCC 12 destroys lambda temporaries of a co_await twice.
    co_return co_await future;
}

QCoro::Task<QList<RunningApplication>> X11Workspace::runningApplications()
{
    std::shared_ptr<const XdgApplicationCatalog> catalog = m_catalog;
    auto future = runOnAutomationThread([catalog] {
        QList<RunningApplication> applications;
        const Connection connection;
        if (!connection.display())
            return applications;
        const QList<DesktopEntry> entries = catalog->desktopEntries();
        for (const WindowInfo& window : connection.clientWindows()) {
            RunningApplication application = runningApplication(entries, window);
            const bool known = std::any_of(
                applications.cbegin(), applications.cend(), [&](const RunningApplication& seen) {
                    return application.processId != 0 ? seen.processId == application.processId
                                                      : seen.name == application.name;
                });
            if (!known)
                applications.append(std::move(application));
        }
        return applications;
    });
    // Awaited as a named future: GCC 12 destroys lambda temporaries of a co_await twice.
    co_return co_await future;
}

QCoro::Task<Outcome> X11Workspace::openApplication(QUrl application)
{
    std::shared_ptr<const XdgApplicationCatalog> catalog = m_catalog;
    auto future = runOnAutomationThread([catalog, application]() -> Outcome {
        const std::optional<DesktopEntry> entry = catalog->entryAt(application);
        if (!entry)
            return Outcome::failure(QStringLiteral("The application entry could not be read."));

        // Already running: bring its window forward instead of starting a second copy.
        {
            const Connection connection;
            if (connection.display()) {
                const QList<DesktopEntry> entries = catalog->desktopEntries();
                for (const WindowInfo& window : connection.clientWindows()) {
                    const std::optional<DesktopEntry> owner = entryForWindow(entries, window);
                    if (owner && owner->id == entry->id) {
                        connection.activate(window.window);
                        return Outcome::success();
                    }
                }
            }
        }

        return DesktopEntryLauncher::launch(*entry);
    });
    // Awaited as a named future: GCC 12 destroys lambda temporaries of a co_await twice.
    co_return co_await future;
}

QCoro::Task<bool> X11Workspace::open(QUrl url)
{
    return DesktopEntryLauncher::open(std::move(url));
}

QCoro::Task<std::optional<RunningApplication>> X11Workspace::applicationBeforeOwnWindow()
{
    std::shared_ptr<const XdgApplicationCatalog> catalog = m_catalog;
    std::shared_ptr<const X11ActivationHistory> history = m_history;
    const qint64 ownProcess = QCoreApplication::applicationPid();
    auto future = runOnAutomationThread(
        [catalog, history, ownProcess]() -> std::optional<RunningApplication> {
            const Connection connection;
            if (!connection.display())
                return std::nullopt;
            // Only windows the window manager still manages: a closed one may have left a
            // reused id behind.
            const QList<unsigned long> managed = connection.clientWindowIds();
            for (unsigned long window : history->recentWindows()) {
                if (!managed.contains(window))
                    continue;
                const WindowInfo info = connection.describe(window);
                if (info.processId != ownProcess)
                    return runningApplication(catalog->desktopEntries(), info);
            }
            return std::nullopt;
        });
    // Awaited as a named future: GCC 12 destroys lambda temporaries of a co_await twice.
    co_return co_await future;
}

QCoro::Task<bool> X11Workspace::activate(RunningApplication application)
{
    std::shared_ptr<const X11ActivationHistory> history = m_history;
    auto future = runOnAutomationThread([history, application] {
        const Connection connection;
        if (!connection.display())
            return false;
        // The application's most recently active window first, then any of its windows.
        const QList<unsigned long> managed = connection.clientWindowIds();
        QList<unsigned long> candidates;
        for (unsigned long window : history->recentWindows()) {
            if (managed.contains(window))
                candidates.append(window);
        }
        candidates.append(managed);
        for (unsigned long window : std::as_const(candidates)) {
            const WindowInfo info = connection.describe(window);
            const bool same = application.processId > 0 ? info.processId == application.processId
                                                        : windowName(info) == application.name;
            if (same) {
                connection.activate(window, Connection::Requester::pager);
                return true;
            }
        }
        return false;
    });
    // Awaited as a named future: GCC 12 destroys lambda temporaries of a co_await twice.
    co_return co_await future;
}

} // namespace korvane
