// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/desktop/TestDesktop.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>

#include <X11/Xlib.h>
#include <csignal>
#include <functional>
#include <linux/capability.h>
#include <map>
#include <optional>
#include <sys/prctl.h>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace korvane::test {

namespace {

using namespace std::chrono_literals;

constexpr auto startTimeout = 10s;
constexpr auto stopGrace = 3s;
constexpr auto pollStep = 50;

// The window manager without key or mouse bindings of its own, so no shortcut a test types
// (Alt+Escape, Alt+Tab…) is taken away from the test's window; a click still focuses and
// raises the window it lands on.
constexpr char openboxConfiguration[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <placement><policy>Smart</policy></placement>
  <desktops><number>1</number></desktops>
  <keyboard></keyboard>
  <mouse>
    <context name="Client">
      <mousebind button="Left" action="Press">
        <action name="Focus"/><action name="Raise"/>
      </mousebind>
    </context>
  </mouse>
</openbox_config>
)";

const QString sinkName = u"korvane_null"_qs;
const QString captureSource = u"korvane_capture"_qs;

// Where Debian installs a program that is not on PATH, else PATH; empty, with the reason,
// when it is not installed.
QString requireProgram(const QString& name, QString* whyNot, const QStringList& places = {})
{
    for (const QString& place : places) {
        const QString candidate = place + u'/' + name;
        if (QFileInfo(candidate).isExecutable())
            return candidate;
    }
    const QString found = QStandardPaths::findExecutable(name);
    if (found.isEmpty() && whyNot)
        *whyNot = u"%1 is not installed"_qs.arg(name);
    return found;
}

// Always false, so a failed step reads `return fail(whyNot, reason);`.
bool fail(QString* whyNot, const QString& reason)
{
    if (whyNot)
        *whyNot = reason;
    return false;
}

// openbox announces itself before it handles map requests, and drops the ones that come in
// between: it is ready once it frames a probe window (nothing else reparents one).
bool windowManagerRunning(const QString& displayName)
{
    const QByteArray name = displayName.toLocal8Bit();
    Display* display = XOpenDisplay(name.constData());
    if (!display)
        return false;
    bool framed = false;
    const Window probe =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(display, probe, StructureNotifyMask);
    XMapWindow(display, probe);
    XFlush(display);
    QDeadlineTimer deadline(500ms);
    while (!framed && !deadline.hasExpired()) {
        while (!framed && XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            framed = event.type == ReparentNotify;
        }
        if (!framed)
            QThread::msleep(10);
    }
    XDestroyWindow(display, probe);
    XSync(display, False);
    XCloseDisplay(display);
    return framed;
}

// A call on a short-lived private connection, so the process's own session bus stays unopened.
QDBusMessage callOn(const QString& address, const QDBusMessage& call)
{
    const QString name = u"korvane-testdesktop-"_qs + QUuid::createUuid().toString();
    QDBusMessage reply;
    {
        const QDBusConnection bus = QDBusConnection::connectToBus(address, name);
        reply = bus.call(call, QDBus::Block, 5000);
    }
    QDBusConnection::disconnectFromBus(name);
    return reply;
}

QString accessibilityAddressOn(const QString& sessionAddress)
{
    const QDBusMessage reply = callOn(
        sessionAddress, QDBusMessage::createMethodCall(u"org.a11y.Bus"_qs, u"/org/a11y/bus"_qs,
                                                       u"org.a11y.Bus"_qs, u"GetAddress"_qs));
    return reply.arguments().value(0).toString();
}

QDBusMessage busCall(const QString& method)
{
    return QDBusMessage::createMethodCall(u"org.freedesktop.DBus"_qs, u"/org/freedesktop/DBus"_qs,
                                          u"org.freedesktop.DBus"_qs, method);
}

bool nameOwnedOn(const QString& address, const QString& service)
{
    return callOn(address, busCall(u"NameHasOwner"_qs) << service).arguments().value(0).toBool();
}

bool socketAccepts(const QString& path)
{
    if (!QFileInfo::exists(path))
        return false;
    QLocalSocket socket;
    socket.connectToServer(path);
    const bool connected = socket.waitForConnected(500);
    socket.abort();
    return connected;
}

// D-Bus activates the portals and the accessibility bus with the environment of the bus
// itself unless told otherwise: they must find the compositor and this desktop's folders.
bool updateActivationEnvironment(const QString& address, const QProcessEnvironment& variables)
{
    qDBusRegisterMetaType<QMap<QString, QString>>();
    QMap<QString, QString> values;
    const QStringList keys = variables.keys();
    for (const QString& key : keys)
        values.insert(key, variables.value(key));
    const QDBusMessage call = busCall(u"UpdateActivationEnvironment"_qs)
                              << QVariant::fromValue(values);
    return callOn(address, call).type() == QDBusMessage::ReplyMessage;
}

// kwin_wayland carries a file capability; where the bounding set lacks it, the kernel refuses
// to run it at all. A plain copy runs, and must keep its name for KWin's own Qt plugin.
QString runnableKwin(const QString& installed, const QString& folder)
{
    if (::prctl(PR_CAPBSET_READ, CAP_SYS_RESOURCE, 0, 0, 0) == 1)
        return installed;
    const QString copy = folder + u"/kwin_wayland"_qs;
    if (!QFileInfo::exists(copy) && (!QDir().mkpath(folder) || !QFile::copy(installed, copy)))
        return {};
    QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    return copy;
}

} // namespace

struct TestDesktop::Private {
    QTemporaryDir root{QDir::tempPath() + u"/korvane-desktop-XXXXXX"_qs};
    // In start order; stopped from the back.
    std::vector<std::unique_ptr<QProcess>> processes;
    QProcessEnvironment variables; // what this desktop set, in this process too
    // The values from before the desktop changed them, to give back.
    std::map<QByteArray, std::optional<QByteArray>> savedVariables;

    QString displayName;
    QProcess* xServer = nullptr;
    QProcess* windowManager = nullptr;
    QProcess* sessionBus = nullptr;
    QProcess* accessibilityLauncher = nullptr;
    QString sessionBusAddress;
    QProcess* pulseAudio = nullptr;
    QProcess* compositor = nullptr;
    QProcess* pipeWire = nullptr;
    QProcess* consentHelper = nullptr;
    // The connection holding mutter's own remote-desktop session, which gives the headless
    // seat its keyboard and pointer.
    QString seatConnection;

    QString path(const QString& name) const { return root.filePath(name); }
    QString runtimeDirectory() const { return variables.value(u"XDG_RUNTIME_DIR"_qs); }

    // Here and for children; absent unsets it. The value before is kept to give back.
    void setVariable(const QString& name, const std::optional<QString>& value)
    {
        const QByteArray key = name.toLocal8Bit();
        if (!savedVariables.count(key) && qEnvironmentVariableIsSet(key.constData()))
            savedVariables[key] = qgetenv(key.constData());
        savedVariables.try_emplace(key, std::nullopt);
        if (value) {
            qputenv(key.constData(), value->toLocal8Bit());
            variables.insert(name, *value);
        } else {
            qunsetenv(key.constData());
            variables.remove(name);
        }
    }

    void restoreVariables()
    {
        for (const auto& [key, value] : savedVariables) {
            if (value)
                qputenv(key.constData(), *value);
            else
                qunsetenv(key.constData());
        }
        savedVariables.clear();
    }

    // Started in its own process group, so helpers it forks are stopped with it.
    QProcess* start(const QString& program, const QStringList& arguments,
                    const QProcessEnvironment& environment, QString* whyNot)
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment);
        process->setWorkingDirectory(root.path());
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        // A test that crashes or is killed takes its services with it.
        const pid_t parent = ::getpid();
        process->setChildProcessModifier([parent] {
            ::setpgid(0, 0);
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (::getppid() != parent)
                ::_exit(1);
        });
        process->start(program, arguments);
        if (!process->waitForStarted(5000)) {
            fail(whyNot, u"%1 could not be started"_qs.arg(QFileInfo(program).fileName()));
            return nullptr;
        }
        processes.push_back(std::move(process));
        return processes.back().get();
    }

    // Starts `program` and waits until `ready` holds; otherwise stops it and says why.
    QProcess* launch(const QString& program, const QStringList& arguments,
                     const QProcessEnvironment& environment,
                     const std::function<bool(QProcess*)>& ready, QString* whyNot)
    {
        QProcess* process = start(program, arguments, environment, whyNot);
        if (!process)
            return nullptr;
        QDeadlineTimer deadline(startTimeout);
        bool exited = false;
        // Asked once more after it ends: the bus may have activated another instance instead.
        while (!ready(process)) {
            if (exited || deadline.hasExpired()) {
                stop(process);
                const QString name = QFileInfo(program).fileName();
                fail(whyNot, exited ? name + u" exited at start"_qs
                                    : name + u" was not ready within 10 s"_qs);
                return nullptr;
            }
            exited = process->waitForFinished(pollStep);
        }
        return process;
    }

    // Its whole process group, so helpers it forked or the bus activated for it go too.
    void stop(QProcess* process)
    {
        const auto pid = process ? static_cast<pid_t>(process->processId()) : 0;
        if (pid > 0) {
            ::kill(-pid, SIGTERM);
            QDeadlineTimer grace(stopGrace);
            while (::kill(-pid, 0) == 0 && !grace.hasExpired()) {
                if (!process->waitForFinished(pollStep))
                    QThread::msleep(pollStep);
            }
            ::kill(-pid, SIGKILL);
            process->waitForFinished(5000);
        }
        std::erase_if(processes, [&](const auto& owned) { return owned.get() == process; });
    }

    // Headless mutter has a seat without devices: no window ever becomes active, and the first
    // events of a remote-desktop session only create them. A session of mutter's own, kept
    // for the run, gives the seat a keyboard and a pointer, as a real one always has.
    bool giveSeatInputDevices(QString* whyNot)
    {
        seatConnection = u"korvane-testdesktop-seat-"_qs + QUuid::createUuid().toString();
        QDBusConnection bus = QDBusConnection::connectToBus(sessionBusAddress, seatConnection);
        const QString service = u"org.gnome.Mutter.RemoteDesktop"_qs;
        const QDBusReply<QDBusObjectPath> created =
            bus.call(QDBusMessage::createMethodCall(service, u"/org/gnome/Mutter/RemoteDesktop"_qs,
                                                    service, u"CreateSession"_qs),
                     QDBus::Block, 5000);
        if (!created.isValid())
            return fail(whyNot,
                        u"mutter made no remote-desktop session: "_qs + created.error().message());
        const auto call = [&](const QString& method, const QVariantList& arguments) {
            QDBusMessage message = QDBusMessage::createMethodCall(service, created.value().path(),
                                                                  service + u".Session"_qs, method);
            message.setArguments(arguments);
            return bus.call(message, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
        };
        constexpr uint shiftKeysym = 0xffe1;
        if (!call(u"Start"_qs, {}) || !call(u"NotifyKeyboardKeysym"_qs, {shiftKeysym, true}) ||
            !call(u"NotifyKeyboardKeysym"_qs, {shiftKeysym, false}) ||
            !call(u"NotifyPointerMotionRelative"_qs, {1.0, 0.0}))
            return fail(whyNot, u"mutter's remote-desktop session took no input"_qs);
        return true;
    }

    bool startConsentHelper(QString* whyNot)
    {
        const QString helper = QCoreApplication::applicationDirPath() + u"/portalconsent"_qs;
        consentHelper = start(helper, {}, QProcessEnvironment::systemEnvironment(), whyNot);
        return consentHelper != nullptr;
    }

    bool ensureRuntimeDirectory(QString* whyNot)
    {
        if (variables.contains(u"XDG_RUNTIME_DIR"_qs))
            return true;
        const QString runtime = path(u"runtime"_qs);
        if (!QDir().mkpath(runtime) ||
            !QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ExeOwner))
            return fail(whyNot, u"could not create the runtime folder %1"_qs.arg(runtime));
        setVariable(u"XDG_RUNTIME_DIR"_qs, runtime);
        return true;
    }
};

TestDesktop::TestDesktop()
    : d(std::make_unique<Private>())
{
}

TestDesktop::~TestDesktop()
{
    if (!d->seatConnection.isEmpty())
        QDBusConnection::disconnectFromBus(d->seatConnection);
    while (!d->processes.empty())
        d->stop(d->processes.back().get());
    d->restoreVariables();
}

bool TestDesktop::startDisplay(QString* whyNot)
{
    if (d->xServer)
        return true;
    const QString xvfb = requireProgram(u"Xvfb"_qs, whyNot);
    if (xvfb.isEmpty())
        return false;
    // The server picks a free display itself and names it on descriptor 3 once it listens.
    // -noreset: it would otherwise reset whenever its last client leaves and refuse the
    // clients that connect meanwhile.
    const QString numberFile = d->path(u"display"_qs);
    QString name;
    d->xServer = d->launch(
        u"/bin/sh"_qs,
        {u"-c"_qs,
         u"exec \"$0\" -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>\"$1\""_qs, xvfb,
         numberFile},
        QProcessEnvironment::systemEnvironment(),
        [&](QProcess*) {
            QFile file(numberFile);
            const QByteArray number =
                file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            name = u":"_qs + QString::fromLatin1(number.trimmed());
            return number.endsWith('\n');
        },
        whyNot);
    if (!d->xServer)
        return false;
    d->displayName = name;
    d->setVariable(u"DISPLAY"_qs, name);
    // Whatever session the developer runs, children see an X11 one.
    d->setVariable(u"XDG_SESSION_TYPE"_qs, u"x11"_qs);
    d->setVariable(u"WAYLAND_DISPLAY"_qs, std::nullopt);
    return true;
}

bool TestDesktop::startWindowManager(QString* whyNot)
{
    if (d->windowManager)
        return true;
    const QString openbox = requireProgram(u"openbox"_qs, whyNot);
    if (openbox.isEmpty() || !startDisplay(whyNot))
        return false;
    const QString configuration = d->path(u"openbox-rc.xml"_qs);
    QFile file(configuration);
    if (!file.open(QIODevice::WriteOnly) || file.write(openboxConfiguration) < 0)
        return fail(whyNot, u"could not write the openbox configuration"_qs);
    file.close();
    d->windowManager = d->launch(
        openbox, {u"--sm-disable"_qs, u"--config-file"_qs, configuration},
        QProcessEnvironment::systemEnvironment(),
        [name = display()](QProcess*) { return windowManagerRunning(name); }, whyNot);
    return d->windowManager != nullptr;
}

bool TestDesktop::startSessionBus(QString* whyNot)
{
    if (d->sessionBus)
        return true;
    const QString daemon = requireProgram(u"dbus-daemon"_qs, whyNot);
    if (daemon.isEmpty() || !d->ensureRuntimeDirectory(whyNot))
        return false;
    const QString socket = d->runtimeDirectory() + u"/bus"_qs;
    const QString address = u"unix:path="_qs + socket;
    d->sessionBus = d->launch(
        daemon, {u"--session"_qs, u"--nofork"_qs, u"--address="_qs + address},
        QProcessEnvironment::systemEnvironment(), [&](QProcess*) { return socketAccepts(socket); },
        whyNot);
    if (!d->sessionBus)
        return false;
    d->sessionBusAddress = address;
    d->setVariable(u"DBUS_SESSION_BUS_ADDRESS"_qs, address);
    return true;
}

bool TestDesktop::startAccessibilityBus(QString* whyNot)
{
    if (d->accessibilityLauncher)
        return true;
    const QStringList places = {u"/usr/libexec"_qs, u"/usr/lib/at-spi2-core"_qs,
                                u"/usr/libexec/at-spi2-core"_qs};
    const QString launcher = requireProgram(u"at-spi-bus-launcher"_qs, whyNot, places);
    const QString registry = requireProgram(u"at-spi2-registryd"_qs, whyNot, places);
    if (launcher.isEmpty() || registry.isEmpty() || !startSessionBus(whyNot))
        return false;

    d->setVariable(u"QT_LINUX_ACCESSIBILITY_ALWAYS_ON"_qs, u"1"_qs);
    d->setVariable(u"NO_AT_BRIDGE"_qs, u"0"_qs);
    QString address;
    QProcess* bus = d->launch(
        launcher, {u"--launch-immediately"_qs}, QProcessEnvironment::systemEnvironment(),

        [&, session = d->sessionBusAddress](QProcess*) {
            address = accessibilityAddressOn(session);
            return !address.isEmpty();
        },
        whyNot);
    if (!bus)
        return false;

    // The bus may activate the registry too: the desktop is ready once either owns the name.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"AT_SPI_BUS_ADDRESS"_qs, address);
    const auto registered = [&](QProcess*) {
        return nameOwnedOn(address, u"org.a11y.atspi.Registry"_qs);
    };
    if (!d->launch(registry, {}, environment, registered, whyNot)) {
        d->stop(bus);
        return false;
    }
    d->accessibilityLauncher = bus;
    // AT_SPI_BUS_ADDRESS stays unset: Qt 6.4 connects straight to a bus named there and then
    // never registers with the registry, so its windows would stay unseen. Everyone asks the
    // session bus for the address instead.
    return true;
}

bool TestDesktop::startPulseAudio(QString* whyNot)
{
    if (d->pulseAudio)
        return true;
    const QString pulse = requireProgram(u"pulseaudio"_qs, whyNot);
    if (pulse.isEmpty() || !d->ensureRuntimeDirectory(whyNot))
        return false;
    const QString runtime = d->runtimeDirectory() + u"/pulse"_qs;
    const QString home = d->path(u"pulse-home"_qs);
    if (!QDir().mkpath(runtime) || !QDir().mkpath(home))
        return fail(whyNot, u"could not create the folders for pulseaudio"_qs);
    const QString socket = runtime + u"/native"_qs;

    // Clients must not write a cookie into the real home either.
    d->setVariable(u"PULSE_RUNTIME_PATH"_qs, runtime);
    d->setVariable(u"PULSE_COOKIE"_qs, d->path(u"pulse-cookie"_qs));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_qs, home);
    environment.insert(u"XDG_CONFIG_HOME"_qs, home + u"/config"_qs);
    environment.insert(u"PULSE_STATE_PATH"_qs, home + u"/state"_qs);
    // -n: no default script, so no hardware, no D-Bus, no session modules. As root it runs
    // per-user only with --system=no.
    d->pulseAudio = d->launch(
        pulse,
        {u"--daemonize=no"_qs, u"--system=no"_qs, u"--exit-idle-time=-1"_qs,
         u"--use-pid-file=no"_qs, u"--log-target=stderr"_qs, u"-n"_qs,
         QStringLiteral("--load=module-null-sink sink_name=%1 "
                        "sink_properties=device.description=Korvane-Null")
             .arg(sinkName),
         // Qt lists no monitor sources as inputs: a plain copy of the monitor is the default
         // source, so a program's default microphone hears the null sink.
         QStringLiteral("--load=module-remap-source master=%1.monitor source_name=%2 "
                        "source_properties=device.description=Korvane-Capture")
             .arg(sinkName, captureSource),
         u"--load=module-native-protocol-unix auth-anonymous=1 socket="_qs + socket},
        environment, [&](QProcess*) { return socketAccepts(socket); }, whyNot);
    if (!d->pulseAudio)
        return false;
    d->setVariable(u"PULSE_SERVER"_qs, u"unix:"_qs + socket);
    return true;
}

std::optional<TestDesktop::Session> TestDesktop::sessionNamed(const QString& name)
{
    if (name == u"x11")
        return Session::x11;
    if (name == u"gnome")
        return Session::gnomeWayland;
    if (name == u"kde")
        return Session::kdeWayland;
    return std::nullopt;
}

bool TestDesktop::startSession(Session session, QString* whyNot)
{
    if (session == Session::x11)
        return startWindowManager(whyNot) && startAccessibilityBus(whyNot);
    if (d->compositor)
        return true;
    const bool gnome = session == Session::gnomeWayland;
    const QString compositorName = gnome ? u"mutter"_qs : u"kwin_wayland"_qs;
    const QString installed = requireProgram(compositorName, whyNot);
    const QString portal = requireProgram(
        gnome ? u"xdg-desktop-portal-gnome"_qs : u"xdg-desktop-portal-kde"_qs, whyNot,
        {u"/usr/libexec"_qs, u"/usr/lib/x86_64-linux-gnu/libexec"_qs,
         u"/usr/lib/aarch64-linux-gnu/libexec"_qs});
    const QString portalFrontEnd =
        requireProgram(u"xdg-desktop-portal"_qs, whyNot, {u"/usr/libexec"_qs});
    const QString pipeWire = requireProgram(u"pipewire"_qs, whyNot);
    if (installed.isEmpty() || portal.isEmpty() || portalFrontEnd.isEmpty() || pipeWire.isEmpty() ||
        !startSessionBus(whyNot))
        return false;

    // The session the compositor, the portals and every client see.
    const QString socket = u"wayland-korvane"_qs;
    d->setVariable(u"DISPLAY"_qs, std::nullopt);
    d->setVariable(u"WAYLAND_DISPLAY"_qs, socket);
    d->setVariable(u"XDG_SESSION_TYPE"_qs, u"wayland"_qs);
    d->setVariable(u"XDG_CURRENT_DESKTOP"_qs, gnome ? u"GNOME"_qs : u"KDE"_qs);
    d->setVariable(u"GDK_BACKEND"_qs, u"wayland"_qs);
    d->setVariable(u"QT_QPA_PLATFORM"_qs, u"wayland"_qs);
    d->setVariable(u"QT_LINUX_ACCESSIBILITY_ALWAYS_ON"_qs, u"1"_qs);
    d->setVariable(u"NO_AT_BRIDGE"_qs, u"0"_qs);
    d->setVariable(u"GSETTINGS_BACKEND"_qs, u"memory"_qs);
    for (const char* folder : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
        const QString path = d->path(u"home/"_qs + QString::fromLatin1(folder));
        QDir().mkpath(path);
        d->setVariable(QString::fromLatin1(folder), path);
    }
    if (!updateActivationEnvironment(d->sessionBusAddress, d->variables))
        return fail(whyNot, u"the session bus did not take the activation environment"_qs);

    const QString pipeWireSocket = d->runtimeDirectory() + u"/pipewire-0"_qs;
    d->pipeWire = d->launch(
        pipeWire, {}, QProcessEnvironment::systemEnvironment(),
        [&](QProcess*) { return socketAccepts(pipeWireSocket); }, whyNot);
    if (!d->pipeWire)
        return false;

    QString program = installed;
    QStringList arguments;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QString busName;
    if (gnome) {
        arguments = QStringLiteral("--headless --wayland --no-x11 --virtual-monitor 1280x800 "
                                   "--wayland-display %1")
                        .arg(socket)
                        .split(u' ');
        busName = u"org.gnome.Mutter.RemoteDesktop"_qs;
    } else {
        program = runnableKwin(installed, d->path(u"kwin"_qs));
        if (program.isEmpty())
            return fail(whyNot, u"kwin_wayland could not be copied to run it"_qs);
        arguments = QStringLiteral("--virtual --no-lockscreen --no-global-shortcuts --width 1280 "
                                   "--height 800 --socket %1")
                        .arg(socket)
                        .split(u' ');
        // KWin picks its own Qt platform.
        environment.remove(u"QT_QPA_PLATFORM"_qs);
        busName = u"org.kde.KWin"_qs;
    }
    const QString waylandSocket = d->runtimeDirectory() + u'/' + socket;
    d->compositor = d->launch(
        program, arguments, environment,
        [&, address = d->sessionBusAddress](QProcess*) {
            return socketAccepts(waylandSocket) && nameOwnedOn(address, busName);
        },
        whyNot);
    return d->compositor && startAccessibilityBus(whyNot) &&
           (!gnome || (d->giveSeatInputDevices(whyNot) && d->startConsentHelper(whyNot)));
}

QProcess* TestDesktop::startProcess(const QString& program, const QStringList& arguments,
                                    QString* whyNot, const QProcessEnvironment& extra)
{
    const QString executable = requireProgram(program, whyNot);
    if (executable.isEmpty())
        return nullptr;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QStringList keys = extra.keys();
    for (const QString& key : keys)
        environment.insert(key, extra.value(key));
    return d->start(executable, arguments, environment, whyNot);
}

void TestDesktop::stopProcess(QProcess* process)
{
    d->stop(process);
}

QProcessEnvironment TestDesktop::environment() const
{
    return QProcessEnvironment::systemEnvironment();
}

QString TestDesktop::display() const
{
    return d->displayName;
}

QString TestDesktop::sessionBusAddress() const
{
    return d->sessionBusAddress;
}

QString TestDesktop::nullSinkName() const
{
    return d->pulseAudio ? sinkName : QString();
}

QString TestDesktop::nullSourceName() const
{
    return d->pulseAudio ? sinkName + u".monitor"_qs : QString();
}

QString TestDesktop::scratchDirectory() const
{
    const QString scratch = d->path(u"scratch"_qs);
    QDir().mkpath(scratch);
    return scratch;
}

} // namespace korvane::test
