// SPDX-License-Identifier: GPL-3.0-or-later
#include "ContractDesktop.h"
#include "platform/Workspace.h"

#include <QTest>

#include <csignal>
#include <unistd.h>

using namespace korvane;
using namespace korvane::test;

// Which application is in front and which run, on every desktop alike, with a real Qt and a
// real GTK window; and applications opened from their desktop entries come up once.
class TestWorkspaceContract : public QObject {
    Q_OBJECT

    ContractDesktop m_desktop;

    Workspace& workspace() { return *m_desktop.backends().ports.workspace; }

private Q_SLOTS:
    void initTestCase()
    {
        QString why;
        if (!m_desktop.start(&why))
            QSKIP(qPrintable(why));
    }

    // This process shows no window of its own, so the application before it is the one in
    // front; it comes back where the desktop lets a program raise another's window.
    void inFront_data() { ContractDesktop::addProbeRows(); }
    void inFront()
    {
        QFETCH(ContractDesktop::Probe, probe);
        QString why;
        QVERIFY2(m_desktop.show(probe, &why), qPrintable(why));
        const auto isShown = [&](const std::optional<RunningApplication>& application) {
            return application && application->processId == m_desktop.processId() &&
                   application->desktopEntryId == ContractDesktop::desktopId(probe);
        };
        QVERIFY(isShown(QCoro::waitFor(workspace().frontmostApplication())));
        const QList<RunningApplication> running = QCoro::waitFor(workspace().runningApplications());
        QCOMPARE(std::count_if(running.cbegin(), running.cend(), isShown), 1);
        std::optional<RunningApplication> before;
        QTRY_VERIFY_WITH_TIMEOUT(
            isShown(before = QCoro::waitFor(workspace().applicationBeforeOwnWindow())), 15000);
        QCOMPARE(QCoro::waitFor(workspace().activate(*before)), m_desktop.raisesWindows());
    }

    // Opened from its entry, an application comes in front; opened again it is not started
    // a second time.
    void open_data() { ContractDesktop::addProbeRows(); }
    void open()
    {
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
