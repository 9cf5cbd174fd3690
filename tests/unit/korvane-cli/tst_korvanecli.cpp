// SPDX-License-Identifier: GPL-3.0-or-later
// The command line's JSON shapes, through the built binary.
#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

class KorvaneCliTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void printsOneLineOfJson_data();
    void printsOneLineOfJson();
    void usageErrors_data();
    void usageErrors();
    void runExitsOneOnAFailureSentence();
    void helpDescribesEveryVerb();

private:
    QString m_program;
};

struct Run {
    int exitCode = -1;
    QByteArray out{};
    QByteArray err{};
};

static Run run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000))
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

void KorvaneCliTest::initTestCase()
{
    m_program = QCoreApplication::applicationDirPath() + u"/korvane-cli";
    QVERIFY2(QFileInfo(m_program).isExecutable(), "korvane-cli is built beside the tests");
}

void KorvaneCliTest::printsOneLineOfJson_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("sequence with a key")
        << QStringList{u"parse"_qs, u"open Notes and then press cmd shift t"_qs}
        << QByteArray(R"({"case":"sequence","commands":[{"case":"openApp","name":"Notes"},
            {"case":"pressKey","key":{"displayName":"Command-Shift-T","keyCode":17,
            "modifiers":1179648}}]})");
    QTest::newRow("named playlist")
        << QStringList{u"parse"_qs, u"from my Road Trip playlist play Hey"_qs}
        << QByteArray(R"({"case":"music","music":{"case":"play","query":"Hey",
            "scope":{"case":"playlist","named":"Road Trip"}}})");
    QTest::newRow("no command") << QStringList{u"parse"_qs, u"hello there"_qs}
                                << QByteArray("null");
    QTest::newRow("key without a code")
        << QStringList{u"key"_qs, u"page down"_qs}
        << QByteArray(R"({"displayName":"Page Down","keyCode":null,"modifiers":0})");
}

void KorvaneCliTest::printsOneLineOfJson()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, expected);
    const Run result = run(m_program, arguments);
    QCOMPARE(result.exitCode, 0);
    QVERIFY2(result.out.endsWith('\n') && result.out.count('\n') == 1, result.out.constData());
    const QByteArray line = result.out.trimmed();
    QVERIFY2(!line.contains(' ') || line.contains('"'), "compact JSON");
    if (expected == "null") {
        QCOMPARE(line, expected);
        return;
    }
    QJsonParseError error{};
    const QJsonDocument actual = QJsonDocument::fromJson(line, &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(actual, QJsonDocument::fromJson(expected));
}

void KorvaneCliTest::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("parse without text") << QStringList{u"parse"_qs};
    QTest::newRow("run with flags only")
        << QStringList{u"run"_qs, u"--allow-computer-control"_qs, u"--allow-script-network"_qs};
    QTest::newRow("help for no such verb") << QStringList{u"help"_qs, u"dance"_qs};
    QTest::newRow("unknown generator") << QStringList{u"--generate"_qs, u"pdf"_qs};
}

void KorvaneCliTest::usageErrors()
{
    QFETCH(QStringList, arguments);
    const Run result = run(m_program, arguments);
    QCOMPARE(result.exitCode, 2);
    QVERIFY(result.out.isEmpty());
    QVERIFY(result.err.startsWith("usage: korvane-cli ") || result.err.startsWith("korvane-cli: "));
}

void KorvaneCliTest::helpDescribesEveryVerb()
{
    const Run version = run(m_program, {u"--version"_qs});
    QCOMPARE(version.exitCode, 0);
    QVERIFY2(QRegularExpression(u"^korvane-cli \\d+\\.\\d+\\.\\d+\n$"_qs)
                 .match(QString::fromUtf8(version.out))
                 .hasMatch(),
             version.out.constData());

    // Every verb the overview lists has its own help.
    const Run overview = run(m_program, {u"--help"_qs});
    QCOMPARE(overview.exitCode, 0);
    const QString text = QString::fromUtf8(overview.out);
    const QString commands = text.section(u"Commands:\n"_qs, 1).section(u"\n\n"_qs, 0, 0);
    QStringList verbs;
    for (const QString& line : commands.split(u'\n')) {
        if (line.startsWith(u"  ") && !line.startsWith(u"   "))
            verbs.append(line.trimmed().section(u' ', 0, 0));
    }
    for (const QString& verb : {u"config"_qs, u"ask"_qs, u"run"_qs, u"help"_qs})
        QVERIFY2(verbs.contains(verb), qPrintable(text));
    for (const QString& verb : std::as_const(verbs)) {
        const Run help = run(m_program, {u"help"_qs, verb});
        QCOMPARE(help.exitCode, 0);
        const QByteArray usage = "Usage: korvane-cli " + verb.toUtf8();
        QVERIFY2(help.out.startsWith(usage), help.out.constData());
    }
    QVERIFY(run(m_program, {u"help"_qs, u"ask"_qs}).out.contains("--timeout SECONDS"));
}

void KorvaneCliTest::runExitsOneOnAFailureSentence()
{
    // Nothing by this name exists, so nothing is opened.
    const Run result = run(m_program, {u"run"_qs, u"open zzqx-no-such-application"_qs});
    QCOMPARE(result.exitCode, 1);
    QCOMPARE(QJsonDocument::fromJson(result.out).object().value(u"summary"_qs).toString(),
             u"Could not find zzqx-no-such-application."_qs);
}

QTEST_GUILESS_MAIN(KorvaneCliTest)
#include "tst_korvanecli.moc"
