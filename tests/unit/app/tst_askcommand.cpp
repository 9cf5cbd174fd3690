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

// A chat completion whose message is the assistant's JSON reply.
QByteArray chatReply(const char* content)
{
    const QJsonObject message{{u"role"_qs, u"assistant"_qs},
                              {u"content"_qs, QString::fromUtf8(content)}};
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
    void answersThatDoNotCome_data();
    void answersThatDoNotCome();
    void proposedScripts_data();
    void proposedScripts();

private:
    struct Run {
        int exitCode = -1;
        QJsonObject output;
        QByteArray standardError;
    };
    Run runAsk(const QStringList& arguments, const LoopbackHttpServer& server);
    static QString lastMessage(const Run& run)
    {
        const QJsonArray messages = run.output.value(u"messages"_qs).toArray();
        return messages.last().toObject().value(u"content"_qs).toString();
    }

    QTemporaryDir m_home;
    QString m_workspace;
};

void AskCommandTest::initTestCase()
{
    QVERIFY(m_home.isValid());
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
    server.setRoute("POST", u"/v1/chat/completions"_qs, [](const RecordedRequest& request) {
        if (request.body.contains("red fox, please"))
            return Response::json(chatReply(R"({"message": "Here is a fox.", "artifact":
                {"kind": "image", "title": "Fox", "body": "a red fox"}})"));
        return Response::json(chatReply(R"({"message": "Here are the results.", "artifact":
            {"kind": "search", "title": "Search", "body": "qt coroutines"}})"));
    });
    server.setRoute("POST", u"/v1/images/generations"_qs,
                    Response::json(QByteArrayLiteral("{\"data\":[{\"b64_json\":\"") + pixelPng +
                                   QByteArrayLiteral("\"}]}")));
    server.setRoute("GET", u"/html/"_qs, Response::text("<html><body></body></html>"));

    const Run run = runAsk({u"--timeout"_qs, u"30"_qs, u"Which pages mention coroutines?"_qs,
                            u"A picture of a red fox, please"_qs},
                           server);
    QCOMPARE(run.exitCode, 0);

    QCOMPARE(run.output.value(u"messages"_qs).toArray().size(), 4);
    QCOMPARE(lastMessage(run), u"Here is a fox."_qs);

    // The search ran against the loopback engine; the picture waited for and saved.
    const QJsonArray artifacts = run.output.value(u"artifacts"_qs).toArray();
    QCOMPARE(artifacts.size(), 2);
    const QString results = artifacts.at(0).toObject().value(u"body"_qs).toString();
    QVERIFY(QJsonDocument::fromJson(results.toUtf8()).isArray());
    const QJsonObject image = artifacts.at(1).toObject();
    QCOMPARE(image.value(u"status"_qs).toString(), u"ready"_qs);
    QVERIFY(QFile::exists(QUrl(image.value(u"body"_qs).toString()).toLocalFile()));
    QCOMPARE(run.output.value(u"selectedArtifactIndex"_qs).toInt(-1), 1);
    QVERIFY(
        server.requests("POST", u"/v1/images/generations"_qs).first().body.contains("a red fox"));
    QVERIFY(!run.standardError.contains("test-key-not-real"));
}

void AskCommandTest::answersThatDoNotCome_data()
{
    // The chat service's status; none when it never answers.
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("exitCode");
    // On a time-out, what there is: the first prompt without an answer, the second never sent.
    QTest::addColumn<QString>("lastMessage");
    QTest::newRow("time-out") << 0 << 3 << u"hello"_qs;
    QTest::newRow("failed") << 500 << 1 << u"OpenAI request failed: HTTP 500"_qs;
}

void AskCommandTest::answersThatDoNotCome()
{
    QFETCH(int, status);
    QFETCH(int, exitCode);
    QFETCH(QString, lastMessage);
    LoopbackHttpServer server;
    server.setRoute("POST", u"/v1/chat/completions"_qs,
                    status ? Response::withStatus(status) : Response::neverAnswer());
    const Run run = runAsk({u"--timeout"_qs, u"0.5"_qs, u"hello"_qs, u"never sent"_qs}, server);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(AskCommandTest::lastMessage(run), lastMessage);
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
    server.setRoute("POST", u"/v1/chat/completions"_qs,
                    Response::json(chatReply(R"json({"message": "Checking.", "action": {
            "type": "run_python_script",
            "script_code": "import os\nprint(os.environ.get('OPENAI_API_KEY', 'no key'))"}})json")));
    const Run run = runAsk(flags + QStringList{u"--timeout"_qs, u"60"_qs, u"check"_qs}, server);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(lastMessage(run), summary);
}

QTEST_GUILESS_MAIN(AskCommandTest)
#include "tst_askcommand.moc"
