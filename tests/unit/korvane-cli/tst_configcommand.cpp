// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class ConfigCommandTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void reportsSourcesWithoutSecrets();

private:
    QString runConfig(const QProcessEnvironment& environment);
};

QString ConfigCommandTest::runConfig(const QProcessEnvironment& environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QCoreApplication::applicationDirPath() + u"/korvane-cli",
                  {QStringLiteral("config")});
    if (!process.waitForFinished(30'000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

void ConfigCommandTest::reportsSourcesWithoutSecrets()
{
    QTemporaryDir dir;
    const QString envFile = dir.filePath(u"test.env"_qs);
    QFile file(envFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("KORVANE_SEARCH_URL=http://127.0.0.1:9\nOPENAI_API_KEY=sk-from-file-secret\n");
    file.close();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"KORVANE_ENV_FILES"_qs, envFile);
    environment.remove(u"OPENAI_API_KEY"_qs);
    environment.remove(u"KORVANE_SEARCH_URL"_qs);
    environment.insert(u"OPENAI_BASE_URL"_qs, u"http://127.0.0.1:7"_qs);

    QString output = runConfig(environment);
    QVERIFY(!output.isEmpty());
    QVERIFY2(!output.contains(u"sk-from-file-secret"), "the key is never printed");
    QVERIFY(output.contains(u"OPENAI_API_KEY: set (from " + envFile + u')'));
    QVERIFY(output.contains(u"KORVANE_SEARCH_URL: http://127.0.0.1:9 (from " + envFile + u')'));
    QVERIFY(output.contains(u"OPENAI_BASE_URL: http://127.0.0.1:7 (from environment)"_qs));
    QVERIFY(output.contains(u"KORVANE_NAVIGATION_SITE: www.apple.com (default)"_qs));
    QVERIFY(output.contains(u"chat completions: http://127.0.0.1:7/v1/chat/completions"_qs));
    QVERIFY(output.contains(u"realtime: ws://127.0.0.1:7/v1/realtime"_qs));

    environment.insert(u"KORVANE_ENV_FILES"_qs, QString());
    environment.insert(u"OPENAI_API_KEY"_qs, u"sk-env-secret"_qs);
    output = runConfig(environment);
    QVERIFY(!output.contains(u"sk-env-secret"));
    QVERIFY(output.contains(u"OPENAI_API_KEY: set (from environment)"_qs));
}

QTEST_GUILESS_MAIN(ConfigCommandTest)
#include "tst_configcommand.moc"
