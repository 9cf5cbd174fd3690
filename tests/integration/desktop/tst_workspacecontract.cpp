#include "ContractDesktop.h"
#include "platform/Workspace.h"

#include <QTest>

#include <csignal>
#include <unistd.h>

using namespace korvane;
using namespace korvane::test;

Q_DECLARE_METATYPE(korvane::test::ContractDesktop::Probe)

// Which application is in front and which run, on every desktop alike, with a real Qt and a
// real GTK window; and applications opened from their desktop entries come up once.
class TestWorkspaceContract : public QObject {
    Q_OBJECT

    ContractDesktop m_desktop;

    Workspace& workspace() { return *m_desktop.backends().ports.workspace; }

    void probes()
    {
        QTest::addColumn<ContractDesktop::Probe>("probe");
        QTest::newRow("qt") << ContractDesktop::Probe::qt;
        QTest::newRow("gtk") << ContractDesktop::Probe::gtk;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QString why;
        if (!m_desktop.start(&why))
            QSKIP(qPrintable(why));
    }

    void frontmost_data() { probes(); }
    void frontmost()
    {
        QFETCH(ContractDesktop::Probe, probe);
        QString why;
        QVERIFY2(m_desktop.show(probe, &why), qPrintable(why));
        const std::optional<RunningApplication> front =
            QCoro::waitFor(workspace().frontmostApplication());
        QVERIFY(front);
        QCOMPARE(front->processId, m_desktop.processId());
        QCOMPARE(front->desktopEntryId, ContractDesktop::desktopId(probe));
    }

    void running_data() { probes(); }
    void running()
    {
        QFETCH(ContractDesktop::Probe, probe);
        QString why;
        QVERIFY2(m_desktop.show(probe, &why), qPrintable(why));
        const QList<RunningApplication> applications =
            QCoro::waitFor(workspace().runningApplications());
        const auto found = std::count_if(
            applications.cbegin(), applications.cend(), [&](const RunningApplication& app) {
                return app.processId == m_desktop.processId() &&
                       app.desktopEntryId == ContractDesktop::desktopId(probe);
            });
        QCOMPARE(found, 1);
    }

    // This process shows no window of its own, so the application before it is the one in
    // front; it comes back where the desktop lets a program raise another's window.
    void applicationBefore_data() { probes(); }
    void applicationBefore()
    {
        QFETCH(ContractDesktop::Probe, probe);
        QString why;
        QVERIFY2(m_desktop.show(probe, &why), qPrintable(why));
        std::optional<RunningApplication> before;
        QTRY_VERIFY_WITH_TIMEOUT(
            (before = QCoro::waitFor(workspace().applicationBeforeOwnWindow())) &&
                before->processId == m_desktop.processId(),
            15000);
        QCOMPARE(before->desktopEntryId, ContractDesktop::desktopId(probe));
        QCOMPARE(QCoro::waitFor(workspace().activate(*before)), m_desktop.raisesWindows());
    }

    // Opened from its entry, an application comes in front; opened again it is not started
    // a second time.
    void open_data() { probes(); }
    void open()
    {
        if (m_desktop.isFake())
            QSKIP("the fake workspace starts nothing");
        QFETCH(ContractDesktop::Probe, probe);
        m_desktop.hide();
        const QString id = ContractDesktop::desktopId(probe);
        const auto copies = [&] {
            const QList<RunningApplication> running =
                QCoro::waitFor(workspace().runningApplications());
            return std::count_if(
                running.cbegin(), running.cend(),
                [&](const RunningApplication& app) { return app.desktopEntryId == id; });
        };
        const auto opens = [&]() -> QCoro::Task<bool> {
            auto opening = workspace().openApplication(m_desktop.desktopEntry(probe));
            co_return (co_await opening).succeeded();
        };
        QVERIFY(QCoro::waitFor(opens()));
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                const std::optional<RunningApplication> front =
                    QCoro::waitFor(workspace().frontmostApplication());
                return front && front->desktopEntryId == id;
            }(),
            15000);
        QVERIFY(QCoro::waitFor(opens()));
        QTest::qWait(1000);
        QCOMPARE(copies(), 1);
        const std::optional<RunningApplication> front =
            QCoro::waitFor(workspace().frontmostApplication());
        QVERIFY(front);
        // Detached in a session of its own, it outlives Korvane and its terminal.
        QVERIFY(::getsid(pid_t(front->processId)) != ::getsid(0));
        ::kill(pid_t(front->processId), SIGTERM);
    }
};

QTEST_GUILESS_MAIN(TestWorkspaceContract)
#include "tst_workspacecontract.moc"
