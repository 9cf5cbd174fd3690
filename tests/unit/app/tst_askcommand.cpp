// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/LoopbackHttpServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace korvane::test;

namespace {

// A 1×1 PNG.
const QByteArray pixelPng = QByteArrayLiteral("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlE"
                                              "QVR42mNkYPhfDwAChwGA60e6kgAAAABJRU5ErkJggg==");

QByteArray chatReply(const QJsonObject& content)
{
    const QJsonObject message{
        {u"role"_qs, u"assistant"_qs},
        {u"content"_qs, QString::fromUtf8(QJsonDocument(content).toJson(QJsonDocument::Compact))}};
    return QJsonDocument(
               QJsonObject{{u"choices"_qs, QJsonArray{QJsonObject{{u"message"_qs, message}}}}})
        .toJson(QJsonDocument::Compact);
}

} // namespace

class AskCommandTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void searchThenImageEndToEnd();
    void timeOutPrintsWhatThereIsAndExitsThree();
    void usageErrors_data();
    void usageErrors();
    void proposedScripts_data();
    void proposedScripts();
    void failedAnswerExitsOne();

private:
    struct Run {
        int exitCode = -1;
        QJsonObject output;
        QByteArray standardError;
    };
    Run runAsk(const QStringList& arguments, const LoopbackHttpServer& server);

    QTemporaryDir m_home;
    QString m_workspace;
};

void AskCommandTest::initTestCase()
{
    QVERIFY(m_home.isValid());
    QVERIFY(QFile::exists(QCoreApplication::applicationDirPath() + u"/korvane-cli"_qs));
    // Scripts need an environment; one without packages is made once, here, never fetched.
    m_workspace = m_home.filePath(u"workspace"_qs);
    QVERIFY(QDir().mkpath(m_workspace));
    QProcess venv;
    venv.setWorkingDirectory(m_workspace);
    venv.start(u"python3"_qs, {u"-m"_qs, u"venv"_qs, u"--without-pip"_qs, u"korvane_venv"_qs});
    if (!venv.waitForFinished(120'000) || venv.exitCode() != 0)
        m_workspace.clear();
}

AskCommandTest::Run AskCommandTest::runAsk(const QStringList& arguments,
                                           const LoopbackHttpServer& server)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString base = server.baseUrl().toString();
    environment.insert(u"OPENAI_BASE_URL"_qs, base);
    environment.insert(u"OPENAI_API_KEY"_qs, u"test-key-not-real"_qs);
    environment.insert(u"KORVANE_SEARCH_URL"_qs, base);
    environment.insert(u"KORVANE_SEARCH_ICON_URL"_qs, base);
    environment.insert(u"KORVANE_ENV_FILES"_qs, QString());
    environment.insert(u"XDG_STATE_HOME"_qs, m_home.path());
    environment.insert(u"TMPDIR"_qs, m_home.path());
    environment.insert(u"HOME"_qs, m_home.path());
    environment.insert(u"XDG_CONFIG_HOME"_qs, m_home.filePath(u"config"_qs));
    environment.insert(u"KORVANE_WORKSPACE"_qs, m_workspace);

    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QCoreApplication::applicationDirPath() + u"/korvane-cli"_qs,
                  QStringList{u"ask"_qs} + arguments);
    Run run;
    if (!process.waitForFinished(60'000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitCode();
    run.standardError = process.readAllStandardError();
    run.output = QJsonDocument::fromJson(process.readAllStandardOutput()).object();
    return run;
}

void AskCommandTest::searchThenImageEndToEnd()
{
    LoopbackHttpServer server;
    QVERIFY(server.isListening());
    server.setRoute("POST", u"/v1/chat/completions"_qs, [](const RecordedRequest& request) {
        if (request.body.contains("red fox, please"))
            return Response::json(chatReply(
                QJsonObject{{u"message"_qs, u"Here is a fox."_qs},
                            {u"artifact"_qs, QJsonObject{{u"kind"_qs, u"image"_qs},
                                                         {u"title"_qs, u"Fox"_qs},
                                                         {u"body"_qs, u"a red fox"_qs},
                                                         {u"size"_qs, u"1024x1024"_qs}}}}));
        return Response::json(chatReply(
            QJsonObject{{u"message"_qs, u"Here are the results."_qs},
                        {u"artifact"_qs, QJsonObject{{u"kind"_qs, u"search"_qs},
                                                     {u"title"_qs, u"Search"_qs},
                                                     {u"body"_qs, u"qt coroutines"_qs}}}}));
    });
    server.setRoute("POST", u"/v1/images/generations"_qs,
                    Response::json(QByteArrayLiteral("{\"data\":[{\"b64_json\":\"") + pixelPng +
                                   QByteArrayLiteral("\"}]}")));
    server.setRoute("GET", u"/html/"_qs, Response::text("<html><body></body></html>"));

    const Run run = runAsk({u"--timeout"_qs, u"30"_qs, u"Which pages mention coroutines?"_qs,
                            u"A picture of a red fox, please"_qs},
                           server);
    QCOMPARE(run.exitCode, 0);

    const QJsonArray messages = run.output.value(u"messages"_qs).toArray();
    QCOMPARE(messages.size(), 4);
    QCOMPARE(messages.at(0).toObject(),
             (QJsonObject{{u"role"_qs, u"user"_qs},
                          {u"mode"_qs, u"quiet"_qs},
                          {u"content"_qs, u"Which pages mention coroutines?"_qs}}));
    QCOMPARE(messages.at(3).toObject().value(u"content"_qs).toString(), u"Here is a fox."_qs);

    const QJsonArray artifacts = run.output.value(u"artifacts"_qs).toArray();
    QCOMPARE(artifacts.size(), 2);
    const QJsonObject search = artifacts.at(0).toObject();
    QCOMPARE(search.value(u"kind"_qs).toString(), u"search"_qs);
    QVERIFY(QJsonDocument::fromJson(search.value(u"body"_qs).toString().toUtf8()).isArray());
    QVERIFY(search.value(u"imagePath"_qs).isNull());

    const QJsonObject image = artifacts.at(1).toObject();
    QCOMPARE(image.value(u"kind"_qs).toString(), u"image"_qs);
    QCOMPARE(image.value(u"title"_qs).toString(), u"Fox"_qs);
    QCOMPARE(image.value(u"status"_qs).toString(), u"ready"_qs);
    const QString path = image.value(u"body"_qs).toString();
    QVERIFY2(path.startsWith(u"file://") && path.endsWith(u".png"), qPrintable(path));
    QVERIFY(QFile::exists(QUrl(path).toLocalFile()));
    QCOMPARE(run.output.value(u"selectedArtifactIndex"_qs).toInt(-1), 1);

    const QList<RecordedRequest> images = server.requests("POST", u"/v1/images/generations"_qs);
    QCOMPARE(images.size(), 1);
    QVERIFY(images.first().body.contains("a red fox"));
    QVERIFY(!run.standardError.contains("test-key-not-real"));
}

void AskCommandTest::timeOutPrintsWhatThereIsAndExitsThree()
{
    LoopbackHttpServer server;
    QVERIFY(server.isListening());
    server.setRoute("POST", u"/v1/chat/completions"_qs, Response::neverAnswer());

    const Run run = runAsk({u"--timeout"_qs, u"0.5"_qs, u"hello"_qs, u"never sent"_qs}, server);
    QCOMPARE(run.exitCode, 3);
    const QJsonArray messages = run.output.value(u"messages"_qs).toArray();
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.at(0).toObject().value(u"content"_qs).toString(), u"hello"_qs);
    QVERIFY(run.output.value(u"artifacts"_qs).toArray().isEmpty());
    QVERIFY(run.output.value(u"selectedArtifactIndex"_qs).isNull());
}

void AskCommandTest::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no prompt") << QStringList{};
    QTest::newRow("time-out without a value") << QStringList{u"--timeout"_qs};
    QTest::newRow("time-out not a number") << QStringList{u"--timeout"_qs, u"soon"_qs, u"hi"_qs};
    QTest::newRow("time-out zero") << QStringList{u"--timeout"_qs, u"0"_qs, u"hi"_qs};
}

void AskCommandTest::usageErrors()
{
    QFETCH(QStringList, arguments);
    LoopbackHttpServer server;
    const Run run = runAsk(arguments, server);
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(server.requestCount(), 0);
}

void AskCommandTest::proposedScripts_data()
{
    QTest::addColumn<QStringList>("flags");
    QTest::addColumn<bool>("allowedInSettings");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("summary");

    const QString ran = u"Successfully executed Python script.\nOutput:\n"_qs;
    QTest::newRow("not allowed: declined with a sentence")
        << QStringList{} << false << 1
        << u"The script did not run: actions the assistant proposes need the user's approval, "
           "and nobody was asked. Turn on Allow Computer Control in Korvane's settings, or pass "
           "--allow-computer-control to korvane-cli."_qs;
    QTest::newRow("allowed by the flag, without the network or the key")
        << QStringList{u"--allow-computer-control"_qs} << false << 0 << ran + u"no key\n"_qs;
    QTest::newRow("allowed by the setting") << QStringList{} << true << 0 << ran + u"no key\n"_qs;
    QTest::newRow("with the network: the key, never shown")
        << QStringList{u"--allow-computer-control"_qs, u"--allow-script-network"_qs} << false << 0
        << ran + u"[redacted]\n"_qs;
}

void AskCommandTest::proposedScripts()
{
    QFETCH(QStringList, flags);
    QFETCH(bool, allowedInSettings);
    QFETCH(int, exitCode);
    QFETCH(QString, summary);
    if (exitCode == 0 &&
        (m_workspace.isEmpty() || QStandardPaths::findExecutable(u"bwrap"_qs).isEmpty()))
        QSKIP("running scripts needs python3 -m venv and bubblewrap");

    const QString settingsFile = m_home.filePath(u"config/korvane/Korvane.conf"_qs);
    QDir().mkpath(QFileInfo(settingsFile).absolutePath());
    QFile settings(settingsFile);
    QVERIFY(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
    settings.write(allowedInSettings ? "[General]\nallowComputerControl=true\n" : "");
    settings.close();

    LoopbackHttpServer server;
    server.setRoute(
        "POST", u"/v1/chat/completions"_qs,
        Response::json(chatReply(QJsonObject{
            {u"message"_qs, u"Checking."_qs},
            {u"action"_qs,
             QJsonObject{{u"type"_qs, u"run_python_script"_qs},
                         {u"script_code"_qs,
                          u"import os\nprint(os.environ.get('OPENAI_API_KEY', 'no key'))"_qs}}}})));
    const Run run = runAsk(flags + QStringList{u"--timeout"_qs, u"60"_qs, u"check"_qs}, server);
    QCOMPARE(run.exitCode, exitCode);
    const QJsonArray messages = run.output.value(u"messages"_qs).toArray();
    QCOMPARE(messages.last().toObject().value(u"content"_qs).toString(), summary);
}

void AskCommandTest::failedAnswerExitsOne()
{
    LoopbackHttpServer server;
    server.setRoute("POST", u"/v1/chat/completions"_qs, Response::withStatus(500));
    const Run run = runAsk({u"hello"_qs}, server);
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.output.value(u"messages"_qs).toArray().last().toObject().value(u"content"_qs),
             QJsonValue(u"OpenAI request failed: HTTP 500"_qs));
}

QTEST_GUILESS_MAIN(AskCommandTest)
#include "tst_askcommand.moc"
