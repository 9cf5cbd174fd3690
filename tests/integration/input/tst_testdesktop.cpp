#include "support/desktop/TestDesktop.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

using korvane::test::TestDesktop;

namespace {

QStringList registeredNames(const QString& address, const QString& connectionName)
{
    QStringList names;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address, connectionName);
        if (bus.isConnected())
            names = bus.interface()->registeredServiceNames().value();
    }
    QDBusConnection::disconnectFromBus(connectionName);
    return names;
}

QString run(const QProcessEnvironment& environment, const QString& program,
            const QStringList& arguments)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// Live processes whose environment mentions `text` (zombies waiting for a reaper count as gone).
QList<qint64> processesMentioning(const QString& text)
{
    QList<qint64> found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric || pid == QCoreApplication::applicationPid())
            continue;
        QFile variables(QStringLiteral("/proc/%1/environ").arg(pid));
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!variables.open(QIODevice::ReadOnly) || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray status = stat.readAll();
        const qsizetype end = status.lastIndexOf(')');
        if (end < 0 || status.mid(end + 2, 1) == "Z")
            continue;
        if (QString::fromLocal8Bit(variables.readAll().replace('\0', '\n')).contains(text))
            found.append(pid);
    }
    return found;
}

bool lockExists(int display)
{
    return QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(display));
}

} // namespace

// The shared desktop fixture: every service it starts really answers, and it cleans up.
class TestTestDesktop : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDesktop> m_desktop;

private Q_SLOTS:
    void initTestCase()
    {
        m_desktop = std::make_unique<TestDesktop>();
        QString why;
        if (!m_desktop->startAll(&why))
            QSKIP(qPrintable(why));
    }

    void cleanupTestCase() { m_desktop.reset(); }

    void environmentNamesEveryService()
    {
        const QProcessEnvironment environment = m_desktop->environment();
        QCOMPARE(environment.value(QStringLiteral("DISPLAY")), m_desktop->display());
        QCOMPARE(qEnvironmentVariable("DISPLAY"), m_desktop->display());
        QVERIFY(m_desktop->displayNumber() >= 100);
        QCOMPARE(environment.value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS")),
                 m_desktop->sessionBusAddress());
        QCOMPARE(environment.value(QStringLiteral("PULSE_SERVER")), m_desktop->pulseServer());
        QCOMPARE(environment.value(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON")),
                 QStringLiteral("1"));

        const QFileInfo runtime(m_desktop->runtimeDirectory());
        QVERIFY(runtime.isDir());
        QCOMPARE(runtime.permissions() & (QFile::ReadOther | QFile::ReadGroup | QFile::ExeOther |
                                          QFile::ExeGroup | QFile::WriteOther | QFile::WriteGroup),
                 QFile::Permissions());
        // Every socket lives in the private runtime folder, none in the developer's home.
        QVERIFY(m_desktop->sessionBusAddress().contains(m_desktop->runtimeDirectory()));
        QVERIFY(m_desktop->accessibilityBusAddress().contains(m_desktop->runtimeDirectory()));
        QVERIFY(m_desktop->pulseServer().contains(m_desktop->runtimeDirectory()));
    }

    void windowIsMappedAndManaged()
    {
        Display* display = XOpenDisplay(m_desktop->display().toLocal8Bit().constData());
        QVERIFY(display);
        const Window root = DefaultRootWindow(display);
        const Window window = XCreateSimpleWindow(display, root, 10, 10, 200, 100, 0, 0, 0);
        XSelectInput(display, window, StructureNotifyMask);
        XMapWindow(display, window);
        XFlush(display);

        // A managing window manager reparents the window into its frame and lists it.
        bool mapped = false;
        bool reparented = false;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                while (XPending(display)) {
                    XEvent event;
                    XNextEvent(display, &event);
                    mapped |= event.type == MapNotify;
                    reparented |= event.type == ReparentNotify;
                }
                return mapped && reparented;
            }(),
            10000);

        const Atom clientList = XInternAtom(display, "_NET_CLIENT_LIST", False);
        bool listed = false;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                Atom type = 0;
                int format = 0;
                unsigned long count = 0;
                unsigned long remaining = 0;
                unsigned char* data = nullptr;
                if (XGetWindowProperty(display, root, clientList, 0, 1024, False, XA_WINDOW, &type,
                                       &format, &count, &remaining, &data) == Success &&
                    data) {
                    const auto* windows = reinterpret_cast<const unsigned long*>(data);
                    listed = std::find(windows, windows + count, window) != windows + count;
                }
                if (data)
                    XFree(data);
                return listed;
            }(),
            10000);
        XDestroyWindow(display, window);
        XCloseDisplay(display);
    }

    void busesAnswer()
    {
        const QStringList session =
            registeredNames(m_desktop->sessionBusAddress(), QStringLiteral("tst-session"));
        QVERIFY2(session.contains(QStringLiteral("org.a11y.Bus")), qPrintable(session.join(u' ')));

        QVERIFY(m_desktop->accessibilityBusAddress() != m_desktop->sessionBusAddress());
        const QStringList accessibility =
            registeredNames(m_desktop->accessibilityBusAddress(), QStringLiteral("tst-a11y"));
        QVERIFY2(accessibility.contains(QStringLiteral("org.a11y.atspi.Registry")),
                 qPrintable(accessibility.join(u' ')));
    }

    void nullSinkIsTheDefault()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty())
            QSKIP("pactl is not installed");
        const QString info =
            run(m_desktop->environment(), QStringLiteral("pactl"), {QStringLiteral("info")});
        QVERIFY2(info.contains(QStringLiteral("Default Sink: ") + m_desktop->nullSinkName()),
                 qPrintable(info));
        QVERIFY2(info.contains(QStringLiteral("Default Source: ") + m_desktop->captureSourceName()),
                 qPrintable(info));
    }

    void processesStartInTheDesktop()
    {
        QString why;
        QProcess* child = m_desktop->startProcess(
            QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("sleep 60")}, &why);
        QVERIFY2(child, qPrintable(why));
        const QString childDisplay = child->processEnvironment().value(QStringLiteral("DISPLAY"));
        QCOMPARE(childDisplay, m_desktop->display());
        m_desktop->stopProcess(child);

        QVERIFY(!m_desktop->startProcess(QStringLiteral("korvane-no-such-program"), {}, &why));
        QCOMPARE(why, QStringLiteral("korvane-no-such-program is not installed"));
    }

    // Parallel tests each get their own display; a desktop going away takes its server with
    // it and gives the variables back.
    void secondDesktopIsSeparateAndCleansUp()
    {
        const QString before = qEnvironmentVariable("DISPLAY");
        int number = -1;
        {
            TestDesktop second;
            QString why;
            QVERIFY2(second.startDisplay(&why), qPrintable(why));
            number = second.displayNumber();
            QVERIFY(number != m_desktop->displayNumber());
            QCOMPARE(qEnvironmentVariable("DISPLAY"), second.display());
            QVERIFY(lockExists(number));
        }
        QVERIFY(!lockExists(number));
        QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)));
        QCOMPARE(qEnvironmentVariable("DISPLAY"), before);
    }

    void everyProcessStopsWithTheDesktop()
    {
        QList<qint64> pids;
        QString runtime;
        {
            TestDesktop third;
            QString why;
            QVERIFY2(third.startSessionBus(&why) && third.startAccessibilityBus(&why) &&
                         third.startPulseAudio(&why),
                     qPrintable(why));
            runtime = third.runtimeDirectory();
            // The session bus, the bus launcher, the accessibility bus it forks, the registry
            // and pulseaudio all run with the private runtime folder.
            pids = processesMentioning(runtime);
            QVERIFY2(pids.size() >= 5, qPrintable(QString::number(pids.size())));
        }
        QVERIFY(!QFileInfo::exists(runtime));
        QTRY_COMPARE(processesMentioning(runtime), QList<qint64>());
    }
};

QTEST_GUILESS_MAIN(TestTestDesktop)
#include "tst_testdesktop.moc"
