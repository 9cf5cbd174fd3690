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
    void defaultsWithoutConfiguration();
    void configuredHostsReplaceDefaults();
    void realtimeSchemeFollowsTheBase_data();
    void realtimeSchemeFollowsTheBase();
    void endpointsKeepTheBasePath_data();
    void endpointsKeepTheBasePath();
    void workspaceRules();
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

void ConfigurationTest::defaultsWithoutConfiguration()
{
    QCOMPARE(Configuration::openAIBaseUrl(), QUrl(u"https://api.openai.com"_qs));
    QCOMPARE(Configuration::searchUrl(), QUrl(u"https://html.duckduckgo.com"_qs));
    QCOMPARE(Configuration::searchIconUrl(), QUrl(u"https://icons.duckduckgo.com"_qs));
    QCOMPARE(Configuration::appleSite(), u"www.apple.com"_qs);
    QCOMPARE(Configuration::value(Configuration::apiKeyName), QString());
}

void ConfigurationTest::configuredHostsReplaceDefaults()
{
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

    QVERIFY(QDir::setCurrent(checkout.path()));
    QCOMPARE(Configuration::workspacePath(), QDir(checkout.path()).canonicalPath());

    QVERIFY(QDir::setCurrent(plain.path()));
    QCOMPARE(Configuration::workspacePath(), data.path() + u"/korvane/workspace");

    qputenv("KORVANE_WORKSPACE", "relative/ws");
    QCOMPARE(Configuration::workspacePath(), QDir(plain.path()).canonicalPath() + u"/relative/ws");
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
