// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCoreApplication>
#include <QDir>
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
    QVERIFY(output.startsWith(u"OPENAI_API_KEY: "));

    // Without a key, the first line says what to set and where.
    environment.remove(u"OPENAI_API_KEY"_qs);
    environment.insert(u"XDG_CONFIG_HOME"_qs, dir.path());
    output = runConfig(environment);
    QVERIFY(output.contains(u"OPENAI_API_KEY: not set"_qs));
    QVERIFY2(output.startsWith(u"OPENAI_API_KEY is not set: set it in the environment or in " +
                               dir.path() + u"/korvane/.env.local (with OPENAI_BASE_URL"),
             qPrintable(output));

    // The default browser, and the profile Korvane would drive it with.
    QVERIFY(QDir(dir.path()).mkpath(u"config/mozilla/firefox/p.default-esr"_qs));
    QFile defaults(dir.filePath(u"config/mimeapps.list"_qs));
    QVERIFY(defaults.open(QIODevice::WriteOnly));
    defaults.write("[Default Applications]\nx-scheme-handler/http=firefox-esr.desktop\n"
                   "x-scheme-handler/https=firefox-esr.desktop\n");
    defaults.close();
    QFile profiles(dir.filePath(u"config/mozilla/firefox/profiles.ini"_qs));
    QVERIFY(profiles.open(QIODevice::WriteOnly));
    profiles.write("[Profile0]\nName=default-esr\nIsRelative=1\nPath=p.default-esr\nDefault=1\n");
    profiles.close();
    environment.insert(u"HOME"_qs, dir.path());
    environment.insert(u"XDG_CONFIG_HOME"_qs, dir.filePath(u"config"_qs));
    environment.remove(u"BROWSER"_qs);
    if (!QFile::exists(u"/usr/share/applications/firefox-esr.desktop"_qs))
        QSKIP("firefox-esr is not installed; the browser line names it");
    output = runConfig(environment);
    QVERIFY2(output.contains(u"browser: Firefox ESR (firefox-esr.desktop) over WebDriver BiDi, "
                             u"with your own profile "_qs +
                             dir.filePath(u"config/mozilla/firefox/p.default-esr."_qs)),
             qPrintable(output));
}

QTEST_GUILESS_MAIN(ConfigCommandTest)
#include "tst_configcommand.moc"
