// SPDX-License-Identifier: GPL-3.0-or-later
// Running in the background: the login setting and its autostart entry.
#include "app/UserSettings.h"
#include "platform/linux/desktop/AutostartEntry.h"
#include "platform/linux/desktop/LoginStartup.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace korvane;

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
        // An entry removed elsewhere turns the setting off.
        UserSettings settings(settingsFile());
        // The microphone stays off until the person turns voice on.
        QVERIFY(settings.startInQuietMode());
        settings.setStartAtLogin(true);
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
};

QTEST_MAIN(BackgroundModeTest)
#include "tst_backgroundmode.moc"
