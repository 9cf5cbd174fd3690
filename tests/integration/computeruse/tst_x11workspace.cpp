#include "computeruse/MacComputerUseService.h"
#include "platform/PlatformFactory.h"
#include "platform/Workspace.h"
#include "support/desktop/TestDesktop.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

using namespace korvane;
using namespace std::chrono_literals;

// The workspace against a real X server and window manager of the test's own, and a small real
// window launched from a desktop entry this test writes.
class TestX11Workspace : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;
    test::TestDesktop m_desktop;
    QList<qint64> m_windows;

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("xmessage")).isEmpty())
            QSKIP("xmessage is not installed; the X11 workspace test launches it");
        QVERIFY(m_root.isValid());
        QString why;
        if (!m_desktop.startWindowManager(&why))
            QSKIP(qPrintable(why));

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
        // Detached in a session of its own, it outlives Korvane and its terminal.
        QVERIFY(::getsid(pid_t(frontmost->processId)) != ::getsid(0));
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
