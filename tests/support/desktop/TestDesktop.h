// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <memory>
#include <optional>

class QProcess;

namespace korvane::test {

// A private desktop session for integration tests: an X server and a window manager, or a
// Wayland compositor (GNOME's or KDE's, headless) with its desktop portal; a session bus, the
// accessibility bus and a sound server, each started on request and only for this process and
// its children. The developer's own session is never touched.
//
// Call the start functions from initTestCase(), after the QCoreApplication exists (the bus
// checks use Qt D-Bus) and before anything in the process opens the session bus. Each returns
// false with a reason that names the missing piece, ready for QSKIP:
//
//     if (!m_desktop.startDisplay(&why)) QSKIP(qPrintable(why));
//
// Starting a service starts what it needs first (the window manager starts the display, the
// accessibility bus starts the session bus); starting one twice is a no-op. Each start sets the
// variables it owns in this process (DISPLAY, DBUS_SESSION_BUS_ADDRESS, XDG_RUNTIME_DIR,
// PULSE_SERVER…); environment() gives the same set for child processes. The destructor stops
// every process in reverse order of start (terminate, kill after 3 s, the whole process group)
// and restores the variables it changed. Processes also end when the thread that started
// them ends (a crashed or killed test leaves nothing behind): start them from the test's
// main thread.
class TestDesktop final {
public:
    enum class Session { x11, gnomeWayland, kdeWayland };

    TestDesktop();
    ~TestDesktop();
    Q_DISABLE_COPY_MOVE(TestDesktop)

    // Xvfb on the first free display from :100 on, 1280x800x24, no TCP.
    bool startDisplay(QString* whyNot = nullptr);
    // openbox without key bindings of its own; ready once the root window carries
    // _NET_SUPPORTING_WM_CHECK and a probe window gets framed.
    bool startWindowManager(QString* whyNot = nullptr);
    // A private dbus-daemon as the session bus, and a private XDG_RUNTIME_DIR (mode 0700).
    bool startSessionBus(QString* whyNot = nullptr);
    // at-spi-bus-launcher and at-spi2-registryd on the session bus; ready once org.a11y.Bus
    // answers GetAddress and the registry owns its name. Children see
    // QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 and NO_AT_BRIDGE=0.
    bool startAccessibilityBus(QString* whyNot = nullptr);
    // PulseAudio with one null sink (the default sink) and a plain source that hears its
    // monitor (the default source).
    bool startPulseAudio(QString* whyNot = nullptr);

    // One whole desktop of a kind, with the session bus and the accessibility bus. X11: the
    // window manager on Xvfb. GNOME: headless mutter with xdg-desktop-portal-gnome, a seat
    // that has a keyboard and a pointer (a remote-desktop session of mutter's own, kept for
    // the run), and a helper that answers the portal's consent dialog through the
    // accessibility bus, as a person would. KDE: kwin_wayland on a virtual output with
    // xdg-desktop-portal-kde. Both Wayland kinds run PipeWire for screen-cast streams and leave
    // DISPLAY unset; their desktop configuration is written below the scratch folder.
    bool startSession(Session session, QString* whyNot = nullptr);
    // "x11", "gnome" or "kde" (as in KORVANE_TEST_DESKTOP); absent for anything else.
    static std::optional<Session> sessionNamed(const QString& name);

    // Starts `program` in environment() (plus `extra`), in its own process group; the
    // destructor stops it before the services. Null, with a reason, when it cannot start.
    // The process stays owned by the desktop.
    QProcess* startProcess(const QString& program, const QStringList& arguments,
                           QString* whyNot = nullptr,
                           const QProcessEnvironment& extra = QProcessEnvironment());
    // Stops one process started by startProcess() now (same way as the destructor); never a
    // service of the desktop.
    void stopProcess(QProcess* process);

    // This process's environment, which has every variable this desktop set.
    QProcessEnvironment environment() const;

    // ":100"; empty before startDisplay().
    QString display() const;
    QString sessionBusAddress() const;
    QString nullSinkName() const;
    // The null sink's monitor.
    QString nullSourceName() const;
    // A scratch folder for the test (removed with the desktop).
    QString scratchDirectory() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace korvane::test
