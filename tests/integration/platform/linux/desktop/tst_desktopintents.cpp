// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppIntentRouter.h"
#include "platform/linux/desktop/DesktopIntentsService.h"
#include "platform/linux/desktop/LaunchRouting.h"
#include "support/desktop/TestDesktop.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace korvane;

Q_DECLARE_METATYPE(korvane::LaunchRequest)

namespace {

using Intent = LaunchRequest::Intent;

QDBusMessage applicationCall(const QString& method)
{
    return QDBusMessage::createMethodCall(DesktopIntentsService::serviceName,
                                          DesktopIntentsService::objectPath,
                                          DesktopIntentsService::interfaceName, method);
}

QDBusMessage actionCall(const QString& name, const QVariantList& parameter)
{
    QDBusMessage call = applicationCall(u"ActivateAction"_qs);
    call << name << QVariant::fromValue(parameter) << QVariantMap();
    return call;
}

QVariantList text(const QString& value)
{
    return {QVariant::fromValue(QDBusVariant(value))};
}

} // namespace

class DesktopIntentsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        qRegisterMetaType<LaunchRequest>();
        QString why;
        if (!m_desktop.startSessionBus(&why))
            QSKIP(qPrintable(why));
        const QString address = m_desktop.sessionBusAddress();
        m_bus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address, u"korvane-test-owner"_qs));
        QVERIFY(m_bus->isConnected());
        QVERIFY(m_service.registerOn(*m_bus));
        m_client = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address, u"korvane-test-client"_qs));
        QVERIFY(m_client->isConnected());
    }

    void cleanupTestCase()
    {
        m_client.reset();
        m_bus.reset();
        QDBusConnection::disconnectFromBus(u"korvane-test-client"_qs);
        QDBusConnection::disconnectFromBus(u"korvane-test-owner"_qs);
    }

    void callsBecomeRequests_data()
    {
        QTest::addColumn<QDBusMessage>("call");
        QTest::addColumn<bool>("routed");
        QTest::addColumn<LaunchRequest>("expected");
        QTest::newRow("note without text") << actionCall(u"create-note"_qs, {}) << true
                                           << LaunchRequest{Intent::createNote, QString()};
        QTest::newRow("unknown section")
            << actionCall(u"open-section"_qs, text(u"files"_qs)) << false << LaunchRequest{};
        QTest::newRow("section not text")
            << actionCall(u"open-section"_qs, {QVariant::fromValue(QDBusVariant(7))}) << false
            << LaunchRequest{};
        QTest::newRow("unknown action") << actionCall(u"quit"_qs, {}) << false << LaunchRequest{};
    }
    void callsBecomeRequests()
    {
        QFETCH(QDBusMessage, call);
        QFETCH(bool, routed);
        QFETCH(LaunchRequest, expected);
        QSignalSpy spy(&m_service, &DesktopIntentsService::requested);
        QDBusPendingCall pending = m_client->asyncCall(call);
        QTRY_VERIFY(pending.isFinished());
        QVERIFY2(!pending.isError(), qPrintable(pending.error().message()));
        QCOMPARE(spy.size(), routed ? 1 : 0);
        if (routed)
            QCOMPARE(spy.constFirst().constFirst().value<LaunchRequest>(), expected);
    }

    void requestsRouteLikeTheIntents()
    {
        AppIntentRouter router;
        routeLaunchRequest(LaunchRequest{}, router);
        QVERIFY(!router.pendingRoute());

        routeLaunchRequest({Intent::openSection, u"search"_qs}, router);
        QCOMPARE(router.pendingRoute()->destination, SidebarSection::search);
        QVERIFY(!router.pendingRoute()->prefilledPrompt);

        routeLaunchRequest({Intent::createNote, u"Buy milk"_qs}, router);
        QCOMPARE(router.pendingRoute()->destination, SidebarSection::chat);
        QCOMPARE(router.pendingRoute()->prefilledPrompt, std::optional<QString>(u"Buy milk"_qs));
    }

    // A second start cannot claim the name, so it hands its request to the running instance
    // and ends; one whose arguments make no sense says why and hands nothing over.
    void commandLineForwardsToRunningInstance_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<std::optional<LaunchRequest>>("expected");
        QTest::newRow("search") << QStringList{u"--open-section"_qs, u"search"_qs}
                                << std::optional(LaunchRequest{Intent::openSection, u"search"_qs});
        QTest::newRow("note") << QStringList{u"--note"_qs, u"Call Ada at 5"_qs}
                              << std::optional(
                                     LaunchRequest{Intent::createNote, u"Call Ada at 5"_qs});
        QTest::newRow("unknown section")
            << QStringList{u"--open-section"_qs, u"files"_qs} << std::optional<LaunchRequest>();
        QTest::newRow("both") << QStringList{u"--note"_qs, u"a"_qs, u"--open-section"_qs,
                                             u"chat"_qs}
                              << std::optional<LaunchRequest>();
    }
    void commandLineForwardsToRunningInstance()
    {
        QFETCH(QStringList, arguments);
        QFETCH(std::optional<LaunchRequest>, expected);
        QSignalSpy spy(&m_service, &DesktopIntentsService::requested);
        QProcess korvane;
        korvane.setProcessEnvironment(environment());
        korvane.start(QStringLiteral(KORVANE_BINARY), arguments);
        QVERIFY(korvane.waitForStarted());
        // The forwarded call is answered by this process's event loop.
        QTRY_VERIFY_WITH_TIMEOUT(korvane.state() == QProcess::NotRunning, 20000);
        QCOMPARE(korvane.exitStatus(), QProcess::NormalExit);
        QCOMPARE(korvane.exitCode(), expected ? 0 : 2);
        if (!expected)
            QVERIFY(!korvane.readAllStandardError().isEmpty());
        QCOMPARE(spy.size(), expected ? 1 : 0);
        if (expected)
            QCOMPARE(spy.constFirst().constFirst().value<LaunchRequest>(), *expected);
    }

    void busActivationStartsKorvaneInTheBackground()
    {
        // A bus of its own that knows Korvane's service, as the installed service file says.
        QTemporaryDir data;
        QVERIFY(QDir().mkpath(data.filePath(u"dbus-1/services"_qs)));
        QFile service(data.filePath(u"dbus-1/services/com.korva.Korvane.service"_qs));
        QVERIFY(service.open(QIODevice::WriteOnly));
        service.write("[D-BUS Service]\nName=com.korva.Korvane\nExec=" KORVANE_BINARY
                      " --background\n");
        service.close();
        QProcessEnvironment env = environment();
        env.insert(u"XDG_DATA_DIRS"_qs, data.path());
        env.insert(u"XDG_CONFIG_HOME"_qs, data.path());
        QProcess daemon;
        daemon.setProcessEnvironment(env);
        daemon.start(u"dbus-daemon"_qs, {u"--session"_qs, u"--nofork"_qs, u"--print-address=1"_qs});
        QVERIFY(daemon.waitForStarted());
        QTRY_VERIFY(daemon.canReadLine());
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        {
            QDBusConnection bus = QDBusConnection::connectToBus(address, u"korvane-activation"_qs);
            QDBusMessage call = applicationCall(u"Activate"_qs);
            call << QVariantMap();
            // Started by the bus, Korvane answers the call that started it.
            const QDBusMessage reply = bus.call(call, QDBus::Block, 30000);
            QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
            const uint pid = bus.interface()->servicePid(DesktopIntentsService::serviceName);
            QVERIFY(pid > 0);
            ::kill(static_cast<pid_t>(pid), SIGTERM);
        }
        QDBusConnection::disconnectFromBus(u"korvane-activation"_qs);
        daemon.terminate();
        daemon.waitForFinished();
    }

private:
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = m_desktop.environment();
        env.insert(u"QT_QPA_PLATFORM"_qs, u"offscreen"_qs);
        env.insert(u"KORVANE_ENV_FILES"_qs, QString());
        return env;
    }

    test::TestDesktop m_desktop;
    std::unique_ptr<QDBusConnection> m_bus;
    std::unique_ptr<QDBusConnection> m_client;
    DesktopIntentsService m_service;
};

QTEST_GUILESS_MAIN(DesktopIntentsTest)
#include "tst_desktopintents.moc"
