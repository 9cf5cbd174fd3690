// SPDX-License-Identifier: GPL-3.0-or-later
// Running in the background: the login setting and its autostart entry, and the tray menu.
#include "AppFakes.h"
#include "app/UserSettings.h"
#include "platform/linux/desktop/AutostartEntry.h"
#include "platform/linux/desktop/LoginStartup.h"
#include "platform/linux/desktop/StatusTrayIcon.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace korvane;
using namespace korvane::test;

class BackgroundModeTest final : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_config;

    QString settingsFile() const { return m_config->filePath(u"Korvane.conf"_qs); }

private Q_SLOTS:
    void init()
    {
        m_config = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", m_config->path().toUtf8());
    }

    void settingWritesAndRemovesTheAutostartEntry_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("exec");
        QTest::newRow("installed")
            << u"/usr/bin/korvane"_qs << u"Exec=/usr/bin/korvane --background"_qs;
        QTest::newRow("path to quote")
            << u"/opt/my apps/$dev \"k\"/korvane"_qs
            << u"Exec=\"/opt/my apps/\\\\$dev \\\\\"k\\\\\"/korvane\" --background"_qs;
    }
    void settingWritesAndRemovesTheAutostartEntry()
    {
        QFETCH(QString, program);
        QFETCH(QString, exec);
        UserSettings settings(settingsFile());
        LoginStartup startup(settings, program);
        QVERIFY(!startup.enabled());

        startup.setEnabled(true);
        QVERIFY(settings.startAtLogin());
        QCOMPARE(startup.problem(), QString());
        QFile entry(AutostartEntry::path());
        QVERIFY(entry.open(QIODevice::ReadOnly));
        QVERIFY2(QString::fromUtf8(entry.readAll()).split(u'\n').contains(exec),
                 qPrintable(AutostartEntry::text(program)));
        const QString validator = QStandardPaths::findExecutable(u"desktop-file-validate"_qs);
        if (!validator.isEmpty()) {
            QProcess validate;
            validate.start(validator, {entry.fileName()});
            QVERIFY(validate.waitForFinished());
            QVERIFY2(validate.exitCode() == 0, validate.readAllStandardOutput().constData());
        }

        startup.setEnabled(false);
        QVERIFY(!settings.startAtLogin());
        QVERIFY(!AutostartEntry::exists());
    }

    void entryRemovedElsewhereTurnsTheSettingOff()
    {
        UserSettings settings(settingsFile());
        settings.setStartAtLogin(true);
        const LoginStartup startup(settings, u"/usr/bin/korvane"_qs);
        QVERIFY(!startup.enabled());
        QVERIFY(!AutostartEntry::exists());
    }

    void refusedWriteKeepsTheSettingAndSaysWhy()
    {
        // The autostart folder's parent is a file: nothing can be written there.
        const QString blocked = m_config->filePath(u"blocked"_qs);
        QFile file(blocked);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        qputenv("XDG_CONFIG_HOME", blocked.toUtf8());
        UserSettings settings(settingsFile());
        LoginStartup startup(settings, u"/usr/bin/korvane"_qs);
        QSignalSpy changed(&startup, &LoginStartup::enabledChanged);
        startup.setEnabled(true);
        QVERIFY(!startup.enabled());
        QVERIFY(startup.problem().startsWith(u"Could not create the folder "));
        // The switch is told to show the setting as it still is.
        QCOMPARE(changed.size(), 1);
    }

    void trayMenuDrivesTheModel()
    {
        AppModelHarness h;
        int opened = 0;
        int quits = 0;
        StatusTrayIcon tray(*h.model, {.openWindow = [&] { ++opened; }, .quit = [&] { ++quits; }});
        const auto action = [&](const char* name) {
            return tray.menu()->findChild<QAction*>(QString::fromLatin1(name));
        };

        action("openAction")->trigger();
        QCOMPARE(opened, 1);

        action("voiceAction")->trigger();
        QCOMPARE(h.realtime->starts, QList<bool>{true});
        Q_EMIT h.realtime->stateChanged(RealtimeVoiceState::recording);
        h.processEvents();
        QCOMPARE(action("voiceAction")->text(), u"Stop Voice"_qs);
        QCOMPARE(tray.status(), u"Korvane: Listening"_qs);
        Q_EMIT h.realtime->stateChanged(RealtimeVoiceState::idle);
        h.processEvents();
        QCOMPARE(action("voiceAction")->text(), u"Start Voice"_qs);

        // Switched off, wake listening stays off, also after a voice session ends.
        QAction* listen = action("wakePhraseAction");
        QVERIFY(listen->isChecked());
        const int starts = h.wake->starts;
        const int stops = h.wake->stops;
        listen->setChecked(false);
        QVERIFY(!h.model->isWakePhraseEnabled());
        QCOMPARE(h.wake->stops, stops + 1);
        QCOMPARE(tray.status(), u"Korvane is not listening for \"Hey Korva\""_qs);
        Q_EMIT h.realtime->stateChanged(RealtimeVoiceState::connecting);
        Q_EMIT h.realtime->stateChanged(RealtimeVoiceState::idle);
        h.processEvents();
        QCOMPARE(h.wake->starts, starts);
        listen->setChecked(true);
        QCOMPARE(h.wake->starts, starts + 1);

        action("quitAction")->trigger();
        QCOMPARE(quits, 1);
    }
};

QTEST_MAIN(BackgroundModeTest)
#include "tst_backgroundmode.moc"
