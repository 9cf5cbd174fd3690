// SPDX-License-Identifier: GPL-3.0-or-later
// The command line's JSON shapes, through the built binary.
#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out{};
    QByteArray err{};
};

Run run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000))
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

} // namespace

class KorvaneCliTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        m_program = QCoreApplication::applicationDirPath() + u"/korvane-cli";
        QVERIFY2(QFileInfo(m_program).isExecutable(), "korvane-cli is built beside the tests");
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("parse without text") << QStringList{u"parse"_qs};
        QTest::newRow("ask without a prompt") << QStringList{u"ask"_qs, u"--timeout"_qs, u"5"_qs};
        QTest::newRow("run with flags only")
            << QStringList{u"run"_qs, u"--allow-computer-control"_qs, u"--allow-script-network"_qs};
    }

    void usageErrors()
    {
        QFETCH(QStringList, arguments);
        const Run result = run(m_program, arguments);
        QCOMPARE(result.exitCode, 2);
        QVERIFY(result.out.isEmpty());
        QVERIFY(result.err.startsWith("usage: korvane-cli ") ||
                result.err.startsWith("korvane-cli: "));
    }

    void runExitsOneOnAFailureSentence()
    {
        // Nothing by this name exists, so nothing is opened.
        const Run result = run(m_program, {u"run"_qs, u"open zzqx-no-such-application"_qs});
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(QJsonDocument::fromJson(result.out).object().value(u"summary"_qs).toString(),
                 u"Could not find zzqx-no-such-application."_qs);
    }

private:
    QString m_program;
};

QTEST_GUILESS_MAIN(KorvaneCliTest)
#include "tst_korvanecli.moc"
