#include "computeruse/MacComputerUseService.h"
#include "platform/PlatformFactory.h"
#include "platform/Workspace.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace korvane;
using namespace std::chrono_literals;

// The workspace against a real X server: Xvfb and openbox started here, a small real window
// launched from a desktop entry this test writes.
class TestX11Workspace : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;
    QProcess m_server;
    QProcess m_windowManager;
    QString m_display;
    QList<qint64> m_windows;

    static bool windowManagerReady(const QString& display)
    {
        QProcess xprop;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), display);
        xprop.setProcessEnvironment(environment);
        xprop.start(QStringLiteral("xprop"),
                    {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
        xprop.waitForFinished(5000);
        return xprop.exitCode() == 0 && xprop.readAllStandardOutput().contains("window id");
    }

private Q_SLOTS:
    void initTestCase()
    {
        for (const char* program : {"Xvfb", "openbox", "xmessage", "xprop"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty())
                QSKIP(qPrintable(
                    QStringLiteral("%1 is not installed; the X11 workspace test needs it")
                        .arg(QString::fromLatin1(program))));
        }
        QVERIFY(m_root.isValid());
        int number = 87;
        while (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)) ||
               QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
            ++number;
        m_display = QStringLiteral(":%1").arg(number);
        m_server.start(QStringLiteral("Xvfb"),
                       {m_display, QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp")});
        QVERIFY(m_server.waitForStarted());
        QVERIFY(QTest::qWaitFor(
            [&] { return QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)); },
            10000));
        qputenv("DISPLAY", m_display.toUtf8());

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), m_display);
        m_windowManager.setProcessEnvironment(environment);
        m_windowManager.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        QVERIFY(m_windowManager.waitForStarted());
        QVERIFY(QTest::qWaitFor([&] { return windowManagerReady(m_display); }, 10000));

        const QString applications = m_root.filePath(QStringLiteral("data/applications"));
        QVERIFY(QDir().mkpath(applications));
        QVERIFY(QDir().mkpath(m_root.filePath(QStringLiteral("empty"))));
        qputenv("XDG_DATA_HOME", m_root.filePath(QStringLiteral("data")).toUtf8());
        qputenv("XDG_DATA_DIRS", m_root.filePath(QStringLiteral("empty")).toUtf8());
        QFile entry(applications + QStringLiteral("/korvane-probe.desktop"));
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nName=Korvane Probe\n"
                    "Exec=xmessage -name korvaneprobe \"Hello from the probe\" %U\n"
                    "StartupWMClass=korvaneprobe\n");
    }

    void cleanupTestCase()
    {
        for (qint64 pid : std::as_const(m_windows))
            ::kill(static_cast<pid_t>(pid), SIGTERM);
        for (QProcess* process : {&m_windowManager, &m_server}) {
            if (process->state() != QProcess::NotRunning) {
                process->terminate();
                if (!process->waitForFinished(5000))
                    process->kill();
            }
        }
    }

    void openAppMakesTheWindowFrontmost()
    {
        MacComputerUseService executor;
        const ComputerUseResult result =
            QCoro::waitFor(executor.openApp(QStringLiteral("korvane probe")));
        QCOMPARE(result.summary, QStringLiteral("Opened Korvane Probe."));

        const PlatformPorts ports = createDesktopPorts();
        const std::optional<RunningApplication> frontmost =
            QCoro::waitFor(ports.workspace->frontmostApplication());
        QVERIFY(frontmost);
        QCOMPARE(frontmost->bundleIdentifier,
                 std::optional<QString>(QStringLiteral("korvane-probe.desktop")));
        QVERIFY(frontmost->processId > 0);
        m_windows.append(frontmost->processId);
    }

    void openingAgainBringsTheSameWindowForward()
    {
        MacComputerUseService executor;
        QCOMPARE(QCoro::waitFor(executor.openApp(QStringLiteral("Korvane Probe"))).summary,
                 QStringLiteral("Opened Korvane Probe."));
        const PlatformPorts ports = createDesktopPorts();
        const QList<RunningApplication> running =
            QCoro::waitFor(ports.workspace->runningApplications());
        const auto probes =
            std::count_if(running.cbegin(), running.cend(), [](const RunningApplication& app) {
                return app.bundleIdentifier == u"korvane-probe.desktop";
            });
        QCOMPARE(probes, 1);
    }

    void unknownApplication()
    {
        MacComputerUseService executor;
        QCOMPARE(QCoro::waitFor(executor.openApp(QStringLiteral("no such program here"))).summary,
                 QStringLiteral("Could not find no such program here."));
    }
};

QTEST_GUILESS_MAIN(TestX11Workspace)
#include "tst_x11workspace.moc"
