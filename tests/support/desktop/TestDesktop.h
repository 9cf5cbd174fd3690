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
// headless GNOME or KDE Wayland compositor with its desktop portal; a session bus, the
// accessibility bus and a sound server. Each start function starts what it needs first, is a
// no-op the second time, sets the variables it owns (DISPLAY, DBUS_SESSION_BUS_ADDRESS,
// XDG_RUNTIME_DIR…) in this process, and returns false with a reason ready for QSKIP. Call
// them from the test's main thread, after the QCoreApplication exists and before anything
// opens the session bus. The destructor stops every process (its whole process group) in
// reverse order and restores the variables; a crashed test takes its processes with it.
class TestDesktop final {
public:
    enum class Session { x11, gnomeWayland, kdeWayland };

    TestDesktop();
    ~TestDesktop();
    Q_DISABLE_COPY_MOVE(TestDesktop)

    // Xvfb on a free display.
    bool startDisplay(QString* whyNot = nullptr);
    // openbox without key bindings of its own.
    bool startWindowManager(QString* whyNot = nullptr);
    // A private dbus-daemon as the session bus, and a private XDG_RUNTIME_DIR (mode 0700).
    bool startSessionBus(QString* whyNot = nullptr);
    // at-spi-bus-launcher and at-spi2-registryd, with Qt's accessibility always on.
    bool startAccessibilityBus(QString* whyNot = nullptr);
    // PulseAudio with a null sink and, as the default source, a copy of its monitor.
    bool startPulseAudio(QString* whyNot = nullptr);

    // One whole desktop with the session bus and the accessibility bus. GNOME also gets a
    // seat with a keyboard and a pointer, and a helper that answers the portal's consent
    // dialog as a person would. The Wayland kinds run PipeWire and leave DISPLAY unset.
    bool startSession(Session session, QString* whyNot = nullptr);
    // "x11", "gnome" or "kde" (as in KORVANE_TEST_DESKTOP); absent for anything else.
    static std::optional<Session> sessionNamed(const QString& name);

    // Starts `program` in this environment plus `extra`; the desktop owns and stops it.
    QProcess* startProcess(const QString& program, const QStringList& arguments,
                           QString* whyNot = nullptr,
                           const QProcessEnvironment& extra = QProcessEnvironment());
    // Stops a process from startProcess() now, as the destructor would.
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
