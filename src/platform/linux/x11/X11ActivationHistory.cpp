// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/x11/X11ActivationHistory.h"

#include <QLoggingCategory>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace korvane {

Q_LOGGING_CATEGORY(lcX11Activation, "korvane.platform.x11.activation")

namespace {

// Enough to step over Korvane's own windows and a dialog or two.
constexpr qsizetype remembered = 8;

// Xlib ends the process when the server goes away unless the display has an exit handler
// that returns; the watcher then just stops.
void connectionLost(Display*, void* lost)
{
    *static_cast<bool*>(lost) = true;
}

Window activeWindow(Display* display, Atom property)
{
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    Window window = 0;
    if (XGetWindowProperty(display, DefaultRootWindow(display), property, 0, 1, False, XA_WINDOW,
                           &type, &format, &count, &remaining, &data) == Success &&
        data && format == 32 && count == 1)
        window = *reinterpret_cast<const unsigned long*>(data);
    if (data)
        XFree(data);
    return window;
}

} // namespace

struct X11ActivationHistory::Watcher {
    mutable std::mutex mutex;
    QList<unsigned long> windows;
    int wakeup[2] = {-1, -1};
    std::thread thread;

    void remember(unsigned long window)
    {
        if (window == 0)
            return;
        const std::lock_guard lock(mutex);
        windows.removeAll(window);
        windows.prepend(window);
        if (windows.size() > remembered)
            windows.removeLast();
    }

    void watch(Display* display)
    {
        bool lost = false;
        XSetIOErrorExitHandler(display, connectionLost, &lost);
        const Atom property = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
        XSelectInput(display, DefaultRootWindow(display), PropertyChangeMask);
        remember(activeWindow(display, property));

        pollfd sources[2] = {{ConnectionNumber(display), POLLIN, 0}, {wakeup[0], POLLIN, 0}};
        while (!lost) {
            while (!lost && XPending(display) > 0) {
                XEvent event;
                XNextEvent(display, &event);
                if (event.type == PropertyNotify && event.xproperty.atom == property)
                    remember(activeWindow(display, property));
            }
            if (lost || ::poll(sources, 2, -1) < 0 || (sources[1].revents & POLLIN))
                break;
        }
        if (lost)
            qCWarning(lcX11Activation) << "lost the X display; no longer following activations";
        XCloseDisplay(display);
    }
};

X11ActivationHistory::X11ActivationHistory()
    : d(std::make_unique<Watcher>())
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return;
    if (::pipe2(d->wakeup, O_CLOEXEC) != 0) {
        XCloseDisplay(display);
        return;
    }
    d->thread = std::thread([watcher = d.get(), display] { watcher->watch(display); });
}

X11ActivationHistory::~X11ActivationHistory()
{
    if (d->thread.joinable()) {
        const char stop = 0;
        [[maybe_unused]] const ssize_t written = ::write(d->wakeup[1], &stop, 1);
        d->thread.join();
    }
    for (int fd : d->wakeup) {
        if (fd >= 0)
            ::close(fd);
    }
}

QList<unsigned long> X11ActivationHistory::recentWindows() const
{
    const std::lock_guard lock(d->mutex);
    return d->windows;
}

} // namespace korvane
