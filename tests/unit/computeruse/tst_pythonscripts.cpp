#include "computeruse/PythonScriptRunner.h"
#include "computeruse/ScriptEnvironmentActivity.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace korvane;
using namespace std::chrono_literals;

// Scripts run by a real Python in an environment folder the test prepares (no packages, so no
// network; pip is kept off every package index). The workspace path holds a space, a quote and
// shell characters on purpose.
class TestPythonScripts : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_workspace;

    ComputerUseResult run(const QString& code, std::chrono::milliseconds limit = 10min)
    {
        return QCoro::waitFor(PythonScriptRunner(m_workspace, limit).run(code));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        m_workspace = m_root.filePath(QStringLiteral("work space 'it's' $(touch injected)"));
        QVERIFY(QDir().mkpath(m_workspace));
        QProcess venv;
        venv.setWorkingDirectory(m_workspace);
        venv.start(QStringLiteral("python3"),
                   {QStringLiteral("-m"), QStringLiteral("venv"), QStringLiteral("--without-pip"),
                    QStringLiteral("korvane_venv")});
        if (!venv.waitForFinished(120000) || venv.exitCode() != 0)
            QSKIP("python3 -m venv is not available on this machine");
        QVERIFY(QFile::exists(PythonScriptRunner(m_workspace).interpreterPath()));
        // Its packages count as installed: these scripts need none.
        QFile stamp(m_workspace + u"/korvane_venv/.korvane-packages-installed");
        QVERIFY(stamp.open(QIODevice::WriteOnly));
        qputenv("KORVANE_ENV_FILES", "");
        qputenv("PIP_NO_INDEX", "1");
        qunsetenv("PIP_FIND_LINKS");
    }

    void cleanupTestCase()
    {
        // Unquoted paths would have let the shell run the command inside the folder name.
        QVERIFY(!QFile::exists(QDir::current().filePath(QStringLiteral("injected"))));
        QVERIFY(!QFile::exists(m_root.filePath(QStringLiteral("injected"))));
    }

    void results_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<bool>("hasArtifact");
        QTest::newRow("plain output")
            << QStringLiteral("print('hello')")
            << QStringLiteral("Successfully executed Python script.\nOutput:\nhello\n") << false;
        QTest::newRow("marker") << QStringLiteral("print('[ARTIFACT:image|/tmp/x.png|Fox Chart]')")
                                << QStringLiteral(
                                       "Successfully executed Python script and generated "
                                       "artifact 'Fox Chart'.")
                                << true;
        QTest::newRow("two fields is no marker")
            << QStringLiteral("print('[ARTIFACT:image|/tmp/x.png]')")
            << QStringLiteral(
                   "Successfully executed Python script.\nOutput:\n[ARTIFACT:image|/tmp/x.png]\n")
            << false;
        QTest::newRow("exit code 2, silent")
            << QStringLiteral("import sys\nsys.exit(2)")
            << QStringLiteral("Script failed with exit code 2.\nError:\n\nOutput:\n") << false;
        QTest::newRow("error text and output")
            << QStringLiteral(
                   "import sys\nprint('partial')\nsys.stderr.write('boom\\n')\nsys.exit(3)")
            << QStringLiteral("Script failed with exit code 3.\nError:\nboom\n\nOutput:\npartial\n")
            << false;
        QTest::newRow("runs in the workspace")
            << QStringLiteral("import os\nprint(os.path.basename(os.getcwd()))")
            << QStringLiteral("Successfully executed Python script.\nOutput:\nwork space 'it's' "
                              "$(touch injected)\n")
            << false;
        QTest::newRow("key handed to the script")
            << QStringLiteral(
                   "import os\nprint(os.environ.get('OPENAI_API_KEY') == 'sk-test-dummy')")
            << QStringLiteral("Successfully executed Python script.\nOutput:\nTrue\n") << false;
    }
    void results()
    {
        QFETCH(QString, code);
        QFETCH(QString, summary);
        QFETCH(bool, hasArtifact);
        qputenv("OPENAI_API_KEY", "sk-test-dummy");
        const ComputerUseResult result = run(code);
        qunsetenv("OPENAI_API_KEY");
        QCOMPARE(result.summary, summary);
        QCOMPARE(result.artifact.has_value(), hasArtifact);
        // The script file is removed after every run.
        QVERIFY(!QFile::exists(PythonScriptRunner(m_workspace).scriptPath()));
    }

    void bigOutputOnBothPipesDoesNotStall()
    {
        // 12 MiB on each stream: far past a pipe's buffer and past the 10 MiB kept.
        const ComputerUseResult result =
            run(QStringLiteral("import sys\nchunk = 'x' * 1024 * 1024\nfor _ in range(12):\n"
                               "    sys.stdout.write(chunk)\n    sys.stderr.write(chunk)\n"
                               "sys.stdout.write('[ARTIFACT:image|/tmp/late.png|Late]')\n"));
        // The tail with the marker is beyond what is kept.
        QVERIFY(!result.artifact);
        const QString prefix = QStringLiteral("Successfully executed Python script.\nOutput:\n");
        QVERIFY(result.summary.startsWith(prefix));
        QCOMPARE(result.summary.size() - prefix.size(), 10 * 1024 * 1024);
    }

    void scriptPastTheLimitIsStopped()
    {
        const ComputerUseResult result =
            run(QStringLiteral("import time\nprint('started', flush=True)\ntime.sleep(60)"), 1s);
        QCOMPARE(result.summary,
                 QStringLiteral("Script was stopped after running for 1 second without "
                                "finishing.\nError:\n\nOutput:\nstarted\n"));
        QVERIFY(!result.artifact);
    }

    void overlappingRunsTakeTurns()
    {
        // Each run writes the same script file; taking turns keeps each run's own code.
        PythonScriptRunner runner(m_workspace);
        QCoro::Task<ComputerUseResult> first =
            runner.run(QStringLiteral("import time\ntime.sleep(0.5)\nprint('first')"));
        QCoro::Task<ComputerUseResult> second = runner.run(QStringLiteral("print('second')"));
        QCOMPARE(QCoro::waitFor(std::move(first)).summary,
                 QStringLiteral("Successfully executed Python script.\nOutput:\nfirst\n"));
        QCOMPARE(QCoro::waitFor(std::move(second)).summary,
                 QStringLiteral("Successfully executed Python script.\nOutput:\nsecond\n"));
    }

    void environmentBuildsOnTheSystemsPackages()
    {
        QProcess system;
        system.start(u"/usr/bin/python3"_qs, {u"-c"_qs, u"import pandas, openpyxl"_qs});
        if (!system.waitForFinished(60000) || system.exitCode() != 0)
            QSKIP("the system's Python lacks python3-pandas or python3-openpyxl");
        QTemporaryDir workspace;
        QSignalSpy preparing(&ScriptEnvironmentActivity::shared(),
                             &ScriptEnvironmentActivity::isPreparingChanged);

        // No package index is reachable, as offline: the install of what the system lacks
        // fails, and the script that needs only the system's packages runs all the same.
        const ComputerUseResult result = QCoro::waitFor(
            PythonScriptRunner(workspace.path()).run(u"import pandas, openpyxl\nprint('ok')"_qs));
        QCOMPARE(result.summary, u"Successfully executed Python script.\nOutput:\nok\n"_qs);
        QTRY_COMPARE(preparing.size(), 2);
        QVERIFY(!ScriptEnvironmentActivity::shared().isPreparing());
    }

    void environmentThatCannotBeCreated()
    {
        // A workspace that is a file: the environment cannot be made there.
        const QString blocked = m_root.filePath(QStringLiteral("blocked"));
        QFile file(blocked);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const ComputerUseResult result =
            QCoro::waitFor(PythonScriptRunner(blocked).run(QStringLiteral("print(1)")));
        QCOMPARE(result.summary,
                 QStringLiteral("Failed to initialize or verify Python virtual environment."));
    }
};

QTEST_GUILESS_MAIN(TestPythonScripts)
#include "tst_pythonscripts.moc"
