// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Configuration.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace korvane;

class ConfigurationTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void configuredHostsReplaceDefaults();
    void realtimeSchemeFollowsTheBase_data();
    void realtimeSchemeFollowsTheBase();
    void endpointsKeepTheBasePath_data();
    void endpointsKeepTheBasePath();
    void workspaceRules();
    void keyGoesUnencryptedOnlyToThisComputer_data();
    void keyGoesUnencryptedOnlyToThisComputer();
    void statePathsFollowXdg();

private:
    QString m_directory;
};

void ConfigurationTest::init()
{
    m_directory = QDir::currentPath();
    qputenv("KORVANE_ENV_FILES", "");
    for (const Configuration::Key& key : Configuration::keys())
        qunsetenv(key.name.toUtf8().constData());
}

void ConfigurationTest::cleanup()
{
    QDir::setCurrent(m_directory);
    for (const Configuration::Key& key : Configuration::keys())
        qunsetenv(key.name.toUtf8().constData());
    qunsetenv("XDG_STATE_HOME");
    qunsetenv("XDG_DATA_HOME");
}

void ConfigurationTest::configuredHostsReplaceDefaults()
{
    QCOMPARE(Configuration::searchUrl(), QUrl(u"https://html.duckduckgo.com"_qs));
    qputenv("OPENAI_BASE_URL", "http://127.0.0.1:8080");
    qputenv("KORVANE_SEARCH_URL", "http://127.0.0.1:9090");
    QCOMPARE(Configuration::openAIBaseUrl(), QUrl(u"http://127.0.0.1:8080"_qs));
    QCOMPARE(Configuration::searchUrl(), QUrl(u"http://127.0.0.1:9090"_qs));
    // Read at every use: a change shows at once.
    qputenv("OPENAI_BASE_URL", "http://127.0.0.1:8081");
    QCOMPARE(Configuration::openAIBaseUrl().port(), 8081);
}

void ConfigurationTest::realtimeSchemeFollowsTheBase_data()
{
    QTest::addColumn<QByteArray>("base");
    QTest::addColumn<QUrl>("expected");
    QTest::newRow("https") << QByteArray("https://api.example.test")
                           << QUrl(u"wss://api.example.test"_qs);
    QTest::newRow("http") << QByteArray("http://127.0.0.1:5000") << QUrl(u"ws://127.0.0.1:5000"_qs);
}

void ConfigurationTest::realtimeSchemeFollowsTheBase()
{
    QFETCH(QByteArray, base);
    QFETCH(QUrl, expected);
    qputenv("OPENAI_BASE_URL", base);
    QCOMPARE(Configuration::realtimeBaseUrl(), expected);
}

void ConfigurationTest::endpointsKeepTheBasePath_data()
{
    QTest::addColumn<QByteArray>("base");
    QTest::addColumn<QString>("expected");
    QTest::newRow("bare host") << QByteArray("http://127.0.0.1:1")
                               << u"http://127.0.0.1:1/v1/chat/completions"_qs;
    QTest::newRow("trailing slash")
        << QByteArray("http://127.0.0.1:1/") << u"http://127.0.0.1:1/v1/chat/completions"_qs;
    QTest::newRow("path prefix") << QByteArray("http://127.0.0.1:1/proxy/")
                                 << u"http://127.0.0.1:1/proxy/v1/chat/completions"_qs;
}

void ConfigurationTest::endpointsKeepTheBasePath()
{
    QFETCH(QByteArray, base);
    QFETCH(QString, expected);
    qputenv("OPENAI_BASE_URL", base);
    QCOMPARE(Configuration::openAIEndpoint(u"/v1/chat/completions"_qs).toString(), expected);
}

void ConfigurationTest::workspaceRules()
{
    QTemporaryDir checkout;
    QTemporaryDir plain;
    QTemporaryDir data;
    QFile manifest(QDir(checkout.path()).filePath(u"CMakeLists.txt"_qs));
    QVERIFY(manifest.open(QIODevice::WriteOnly));
    manifest.close();
    qputenv("XDG_DATA_HOME", data.path().toUtf8());

    // The folder Korvane starts in never becomes the workspace, a checkout included.
    QVERIFY(QDir::setCurrent(checkout.path()));
    QCOMPARE(Configuration::workspacePath(), data.path() + u"/korvane/workspace");

    // Nor does a relative setting, which would be read against it.
    qputenv("KORVANE_WORKSPACE", "relative/ws");
    QCOMPARE(Configuration::workspacePath(), data.path() + u"/korvane/workspace");
    qputenv("KORVANE_WORKSPACE", QByteArray(plain.path().toUtf8() + "/ws/"));
    QCOMPARE(Configuration::workspacePath(), plain.path() + u"/ws");
}

void ConfigurationTest::keyGoesUnencryptedOnlyToThisComputer_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("https anywhere") << u"https://api.example.com"_qs << true;
    QTest::newRow("wss anywhere") << u"wss://api.example.com/v1/realtime"_qs << true;
    QTest::newRow("http to 127.0.0.1") << u"http://127.0.0.1:8080"_qs << true;
    QTest::newRow("http to another loopback address") << u"http://127.8.9.10"_qs << true;
    QTest::newRow("http to ::1") << u"http://[::1]:8080"_qs << true;
    QTest::newRow("ws to localhost") << u"ws://localhost:1/v1/realtime"_qs << true;
    QTest::newRow("http to a host name") << u"http://api.example.com"_qs << false;
    QTest::newRow("http to the local network") << u"http://192.168.1.20:8080"_qs << false;
    QTest::newRow("ws to a host name") << u"ws://api.example.com"_qs << false;
    QTest::newRow("a name that only starts like localhost")
        << u"http://localhost.example.com"_qs << false;
    QTest::newRow("ftp") << u"ftp://127.0.0.1"_qs << false;
}

void ConfigurationTest::keyGoesUnencryptedOnlyToThisComputer()
{
    QFETCH(QString, url);
    QFETCH(bool, allowed);
    QCOMPARE(Configuration::checkCredentialTransport(QUrl(url)).succeeded(), allowed);
}

void ConfigurationTest::statePathsFollowXdg()
{
    qputenv("XDG_STATE_HOME", "/var/tmp/korvane-state");
    QCOMPARE(Configuration::debugLogPath(), u"/var/tmp/korvane-state/korvane/app_debug.log"_qs);
    // A relative value is ignored, as the XDG rules say.
    qputenv("XDG_STATE_HOME", "relative");
    QCOMPARE(Configuration::debugLogPath(),
             QDir::homePath() + u"/.local/state/korvane/app_debug.log");
}

QTEST_GUILESS_MAIN(ConfigurationTest)
#include "tst_configuration.moc"
