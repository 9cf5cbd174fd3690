// SPDX-License-Identifier: GPL-3.0-or-later
// Settings: where they come from (the environment, then the .env.local files) and what follows
// from them.
#include "core/Configuration.h"
#include "core/LocalEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace korvane;

namespace {

const QString key = QStringLiteral("KORVANE_TEST_KEY");

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write a test file");
    file.write(content);
    return file.fileName();
}

} // namespace

class ConfigurationTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void lineRules_data();
    void lineRules();
    void firstNonEmptyValueWins();
    void unusableFilesAreSkipped();
    void startingFolderIsNeverRead();
    void addressesFollowTheBase();
    void workspaceIsNeverTheStartingFolder();
    void keyGoesUnencryptedOnlyToThisComputer_data();
    void keyGoesUnencryptedOnlyToThisComputer();

private:
    QString m_directory;
};

void ConfigurationTest::init()
{
    m_directory = QDir::currentPath();
    qputenv("KORVANE_ENV_FILES", "");
    for (const Configuration::Key& setting : Configuration::keys())
        qunsetenv(setting.name.toUtf8().constData());
}

void ConfigurationTest::cleanup()
{
    QDir::setCurrent(m_directory);
    for (const char* name : {"KORVANE_TEST_KEY", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
        qunsetenv(name);
}

void ConfigurationTest::lineRules_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<QString>>("expected");
    const auto some = [](const char* value) {
        return std::optional<QString>(QString::fromUtf8(value));
    };
    const std::optional<QString> none;

    QTest::newRow("quote characters stripped at each end only")
        << u"KORVANE_TEST_KEY=\"'a\"b'c\""_qs << some("a\"b'c");
    QTest::newRow("only the first = splits") << u"KORVANE_TEST_KEY=a=b=="_qs << some("a=b==");
    QTest::newRow("windows line ends; the line is trimmed, the value is not")
        << u"OTHER=1\r\n  KORVANE_TEST_KEY= abc \t\r\n"_qs << some(" abc");
    QTest::newRow("space before = does not match") << u"KORVANE_TEST_KEY =abc"_qs << none;
    QTest::newRow("longer key does not match") << u"KORVANE_TEST_KEY2=abc"_qs << none;
    QTest::newRow("indented comment line") << u"   # KORVANE_TEST_KEY=abc"_qs << none;
    QTest::newRow("hash later is part of the value")
        << u"KORVANE_TEST_KEY=abc # note"_qs << some("abc # note");
    QTest::newRow("first line wins even when empty")
        << u"KORVANE_TEST_KEY=\nKORVANE_TEST_KEY=two"_qs << some("");
}

void ConfigurationTest::lineRules()
{
    QFETCH(QString, text);
    QFETCH(std::optional<QString>, expected);
    QCOMPARE(LocalEnvironment::valueInText(key, text), expected);
}

void ConfigurationTest::firstNonEmptyValueWins()
{
    QTemporaryDir dir;
    // The first file's first matching line is empty: the next file decides, not its second line.
    const QString first =
        writeFile(dir, u"first.env"_qs, "KORVANE_TEST_KEY=\nKORVANE_TEST_KEY=second-line\n");
    const QString second = writeFile(dir, u"second.env"_qs, "KORVANE_TEST_KEY=next-file\n");
    const QString third = writeFile(dir, u"third.env"_qs, "KORVANE_TEST_KEY=too-late\n");
    qputenv("KORVANE_ENV_FILES", (first + u':' + second + u':' + third).toUtf8());
    QCOMPARE(LocalEnvironment::lookup(key).value, std::optional<QString>(u"next-file"_qs));
    QCOMPARE(LocalEnvironment::lookup(key).source, QDir::cleanPath(second));

    // The environment comes first, unless it is empty.
    qputenv("KORVANE_TEST_KEY", "from-environment");
    QCOMPARE(LocalEnvironment::lookup(key).source, u"environment"_qs);
    qputenv("KORVANE_TEST_KEY", "");
    QCOMPARE(LocalEnvironment::value(key), std::optional<QString>(u"next-file"_qs));
}

void ConfigurationTest::unusableFilesAreSkipped()
{
    QTemporaryDir dir;
    const QString notUtf8 = writeFile(dir, u"a.env"_qs, "KORVANE_TEST_KEY=\xff\xfe\x80 bad\n");
    const QString tooLarge =
        writeFile(dir, u"b.env"_qs,
                  "KORVANE_TEST_KEY=huge\n" + QByteArray(LocalEnvironment::maximumFileSize, '#'));
    QVERIFY(QDir(dir.path()).mkdir(u"folder.env"_qs));
    const QString good = writeFile(dir, u"good.env"_qs, "KORVANE_TEST_KEY=good\n");
    qputenv(
        "KORVANE_ENV_FILES",
        QStringList{notUtf8, tooLarge, dir.filePath(u"folder.env"_qs), good}.join(u':').toUtf8());
    QCOMPARE(LocalEnvironment::value(key), std::optional<QString>(u"good"_qs));
}

void ConfigurationTest::startingFolderIsNeverRead()
{
    qunsetenv("KORVANE_ENV_FILES");
    const QDir executableFolder(QCoreApplication::applicationDirPath());
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toUtf8());

    // A folder Korvane is started in (a cloned repository, say) could send the key stored in
    // the user's own configuration to a server of its choosing.
    QTemporaryDir elsewhere;
    writeFile(elsewhere, u".env.local"_qs,
              "KORVANE_TEST_KEY=planted\nOPENAI_BASE_URL=http://attacker.example\n");
    QVERIFY(QDir::setCurrent(elsewhere.path()));
    const QStringList files = LocalEnvironment::candidateEnvFiles();
    QCOMPARE(files.first(), QDir::cleanPath(executableFolder.filePath(u"../../.env.local"_qs)));
    QCOMPARE(files.last(), configHome.path() + u"/korvane/.env.local");
    QVERIFY(!files.contains(QDir(elsewhere.path()).filePath(u".env.local"_qs)));
    QCOMPARE(LocalEnvironment::value(key), std::nullopt);

    // A list of its own replaces the candidates, each once.
    qputenv("KORVANE_ENV_FILES", "/tmp/a.env::/tmp/b.env:/tmp/a.env");
    QCOMPARE(LocalEnvironment::candidateEnvFiles(),
             (QStringList{u"/tmp/a.env"_qs, u"/tmp/b.env"_qs}));
}

void ConfigurationTest::addressesFollowTheBase()
{
    qputenv("OPENAI_BASE_URL", "https://api.example.test");
    QCOMPARE(Configuration::realtimeBaseUrl().toString(), u"wss://api.example.test"_qs);
    // A path prefix stays, without a doubled slash.
    qputenv("OPENAI_BASE_URL", "http://127.0.0.1:1/proxy/");
    QCOMPARE(Configuration::openAIEndpoint(u"/v1/chat/completions"_qs).toString(),
             u"http://127.0.0.1:1/proxy/v1/chat/completions"_qs);
    QCOMPARE(Configuration::realtimeBaseUrl().toString(), u"ws://127.0.0.1:1/proxy/"_qs);
}

void ConfigurationTest::workspaceIsNeverTheStartingFolder()
{
    QTemporaryDir checkout;
    QTemporaryDir plain;
    QTemporaryDir data;
    writeFile(checkout, u"CMakeLists.txt"_qs, {});
    qputenv("XDG_DATA_HOME", data.path().toUtf8());

    // Not even a checkout, nor a relative setting, which would be read against it.
    QVERIFY(QDir::setCurrent(checkout.path()));
    QCOMPARE(Configuration::workspacePath(), data.path() + u"/korvane/workspace");
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
    QTest::newRow("http to another loopback address") << u"http://127.8.9.10"_qs << true;
    QTest::newRow("ws to localhost") << u"ws://localhost:1/v1/realtime"_qs << true;
    QTest::newRow("http to the local network") << u"http://192.168.1.20:8080"_qs << false;
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

QTEST_GUILESS_MAIN(ConfigurationTest)
#include "tst_configuration.moc"
