// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/UserSettings.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace korvane;

class UserSettingsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void defaultsWithoutAFile();
    void changesPersistAndAnnounceOnce();
    void userFileLivesUnderConfig();
};

void UserSettingsTest::defaultsWithoutAFile()
{
    QTemporaryDir dir;
    const UserSettings settings(dir.filePath(u"Korvane.conf"_qs));
    // Nothing reaches the desktop or the network until the user allows it.
    QCOMPARE(settings.allowComputerControl(), false);
    QCOMPARE(settings.letScriptsUseNetwork(), false);
    QCOMPARE(settings.startInQuietMode(), true);
}

void UserSettingsTest::changesPersistAndAnnounceOnce()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Korvane.conf"_qs);
    {
        UserSettings settings(path);
        QSignalSpy quiet(&settings, &UserSettings::startInQuietModeChanged);
        QSignalSpy provider(&settings, &UserSettings::preferredAssistantProviderChanged);
        settings.setStartInQuietMode(false);
        settings.setStartInQuietMode(false);
        settings.setPreferredAssistantProvider(u"appleFoundationModels"_qs);
        settings.setReadResponsesAloud(true);
        settings.setAllowComputerControl(true);
        settings.setLetScriptsUseNetwork(true);
        QCOMPARE(quiet.count(), 1);
        QCOMPARE(provider.count(), 1);
    }
    const UserSettings reopened(path);
    QCOMPARE(reopened.startInQuietMode(), false);
    QCOMPARE(reopened.readResponsesAloud(), true);
    QCOMPARE(reopened.allowComputerControl(), true);
    QCOMPARE(reopened.letScriptsUseNetwork(), true);
    QCOMPARE(reopened.preferredAssistantProvider(), u"appleFoundationModels"_qs);
}

void UserSettingsTest::userFileLivesUnderConfig()
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    const UserSettings settings;
    QCOMPARE(settings.fileName(), config.path() + u"/korvane/Korvane.conf");
    qunsetenv("XDG_CONFIG_HOME");
}

QTEST_GUILESS_MAIN(UserSettingsTest)
#include "tst_usersettings.moc"
