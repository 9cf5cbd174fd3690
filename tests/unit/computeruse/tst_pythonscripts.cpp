// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/PythonScriptRunner.h"
#include "computeruse/ScriptEnvironmentActivity.h"
#include "computeruse/ScriptSandbox.h"
#include "support/LoopbackHttpServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace korvane;
using namespace korvane::test;
using namespace std::chrono_literals;

namespace {

const QByteArray testKey = "sk-test-sandbox-0123456789";

void writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write a test file");
    file.write(content);
}

QString pythonText(const QString& text)
{
    return u'\'' + QString(text).replace(u'\'', u"\\'"_qs) + u'\'';
}

} // namespace

// Scripts run by a real Python in an environment folder the test prepares (no packages, so no
// network; pip is kept off every package index), inside the real sandbox, with a home folder of
// the test's own. The workspace path holds a space, a quote and shell characters on purpose.
class TestPythonScripts : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_workspace;
    QString m_home;
    LoopbackHttpServer m_server;

    ComputerUseResult run(const QString& code, std::chrono::milliseconds limit = 10min,
                          ScriptPermissions permissions = {})
    {
        return QCoro::waitFor(PythonScriptRunner(m_workspace, limit).run(code, permissions));
    }

    // The text of a script, with {home}, {root} and {server} filled in.
    QString filled(QString code) const
    {
        return code.replace(u"{home}"_qs, pythonText(m_home))
            .replace(u"{root}"_qs, pythonText(m_root.path()))
            .replace(u"{server}"_qs, pythonText(m_server.url(u"/probe"_qs).toString()));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        if (!findSandboxLauncher())
            QSKIP("bubblewrap (bwrap) is not installed on this machine");
        m_home = m_root.filePath(u"home"_qs);
        writeFile(m_home + u"/.secret/token", "hidden-secret-123");
        writeFile(m_home + u"/.netrc", "machine example.com password hidden-secret-456");
        writeFile(m_root.filePath(u"outside.txt"_qs), "outside-content");
        qputenv("HOME", m_home.toUtf8());
        qputenv("XDG_CONFIG_HOME", (m_home + u"/.config").toUtf8());
        qputenv("KORVANE_ENV_FILES", "");
        m_server.setRoute("GET", u"/probe"_qs, Response::text("reached"));

        m_workspace = m_root.filePath(u"work space 'it's' $(touch injected)"_qs);
        QVERIFY(QDir().mkpath(m_workspace));
        QProcess venv;
        venv.setWorkingDirectory(m_workspace);
        venv.start(u"python3"_qs, {u"-m"_qs, u"venv"_qs, u"--without-pip"_qs, u"korvane_venv"_qs});
        if (!venv.waitForFinished(120000) || venv.exitCode() != 0)
            QSKIP("python3 -m venv is not available on this machine");
        // Its packages count as installed: these scripts need none.
        QFile stamp(m_workspace + u"/korvane_venv/.korvane-packages-installed");
        QVERIFY(stamp.open(QIODevice::WriteOnly));
        qputenv("PIP_NO_INDEX", "1");
        qunsetenv("PIP_FIND_LINKS");
        // The sandbox must start here; where namespaces are forbidden every test would fail
        // for the same reason.
        const ComputerUseResult probe = run(u"print('ready')"_qs);
        if (probe.summary.startsWith(u"The script's sandbox could not start"))
            QSKIP(qPrintable(probe.summary));
    }

    void cleanupTestCase()
    {
        // Unquoted paths would have let the shell run the command inside the folder name.
        QVERIFY(!QFile::exists(QDir::current().filePath(u"injected"_qs)));
        QVERIFY(!QFile::exists(m_root.filePath(u"injected"_qs)));
    }

    // What a script tries, written by someone else, and what it gets.
    void containment_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("network");
        QTest::addColumn<bool>("failed");
        // In the summary and the artifact's body.
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("neverShown");
        // A path on this computer that must not exist afterwards.
        QTest::addColumn<QString>("neverWritten");

        const QString none;
        QTest::newRow("prints") << u"print('hello')"_qs << false << false
                                << u"Successfully executed Python script.\nOutput:\nhello\n"_qs
                                << none << none;
        QTest::newRow("fails after some output")
            << u"import sys\nprint('partial')\nsys.stderr.write('boom\\n')\nsys.exit(3)"_qs << false
            << true << u"Script failed with exit code 3.\nError:\nboom\n\nOutput:\npartial\n"_qs
            << none << none;
        QTest::newRow("runs in the workspace, its odd name quoted")
            << u"import os\nprint(os.path.basename(os.getcwd()))"_qs << false << false
            << u"Output:\nwork space 'it's' $(touch injected)\n"_qs << none << none;
        QTest::newRow("reads a hidden folder of the home")
            << u"print(open({home} + '/.secret/token').read())"_qs << false << true
            << u"FileNotFoundError"_qs << u"hidden-secret-123"_qs << none;
        QTest::newRow("reads a hidden file of the home")
            << u"print(open({home} + '/.netrc').read())"_qs << false << true
            << u"FileNotFoundError"_qs << u"hidden-secret-456"_qs << none;
        QTest::newRow("reads a file outside the home and the workspace")
            << u"print(open({root} + '/outside.txt').read())"_qs << false << true
            << u"FileNotFoundError"_qs << u"outside-content"_qs << none;
        QTest::newRow("writes into the home")
            << u"open({home} + '/planted.txt', 'w').write('x')"_qs << false << true
            << u"Read-only file system"_qs << none << u"{home}/planted.txt"_qs;
        QTest::newRow("writes into the system")
            << u"open('/usr/planted.txt', 'w').write('x')"_qs << false << true
            << u"Read-only file system"_qs << none << u"/usr/planted.txt"_qs;
        QTest::newRow("writes outside stay in the sandbox")
            << u"open({root} + '/escaped.txt', 'w').write('x')\nprint('wrote')"_qs << false << false
            << u"wrote"_qs << none << u"{root}/escaped.txt"_qs;
        QTest::newRow("opens a socket")
            << u"import urllib.request\nprint(urllib.request.urlopen({server}, timeout=5).read())"_qs
            << false << true << u"URLError"_qs << u"reached"_qs << none;
        QTest::newRow("opens a socket, with the network allowed")
            << u"import urllib.request\nprint(urllib.request.urlopen({server}, timeout=5).read())"_qs
            << true << false << u"reached"_qs << none << none;
        QTest::newRow("looks for the key")
            << u"import os\nprint('key' if 'OPENAI_API_KEY' in os.environ else 'no key')"_qs
            << false << false << u"no key"_qs << none << none;
        QTest::newRow("prints the key it got with the network")
            << u"import os\nprint(os.environ['OPENAI_API_KEY'])"_qs << true << false
            << u"[redacted]"_qs << QString::fromLatin1(testKey) << none;
        QTest::newRow("allocates without end")
            << u"chunks = []\nwhile True:\n    chunks.append(bytes(512 * 1024 * 1024))"_qs << false
            << true << u"MemoryError"_qs << none << none;
        QTest::newRow("starts processes without end")
            << u"import os\nwhile True:\n    if os.fork() == 0:\n        import time\n"
               "        time.sleep(30)\n        os._exit(0)"_qs
            << false << true << u"BlockingIOError"_qs << none << none;
        QTest::newRow("names a pipe as its markdown file")
            << u"import os\nos.mkfifo('pipe.md')\n"
               "print('[ARTIFACT:markdown|' + os.path.abspath('pipe.md') + '|P]')"_qs
            << false << false << u"it is not a regular file."_qs << none << none;
        QTest::newRow("names an endless device as its markdown file")
            << u"print('[ARTIFACT:markdown|/dev/zero|Z]')"_qs << false << false
            << u"scripts may share only files in the workspace or the Downloads folder."_qs << none
            << none;
        QTest::newRow("names a hidden file as its markdown file")
            << u"print('[ARTIFACT:markdown|' + {home} + '/.netrc|N]')"_qs << false << false
            << u"scripts may share only"_qs << u"hidden-secret-456"_qs << none;
    }
    void containment()
    {
        QFETCH(QString, code);
        QFETCH(bool, network);
        QFETCH(bool, failed);
        QFETCH(QString, shown);
        QFETCH(QString, neverShown);
        QFETCH(QString, neverWritten);
        if (QByteArray(QTest::currentDataTag()).startsWith("starts processes") && ::geteuid() == 0)
            QSKIP("the kernel does not hold root to a process count");
        qputenv("OPENAI_API_KEY", testKey);
        m_server.clearRequests();

        const ComputerUseResult result = run(filled(code), 1min, {.network = network});
        qunsetenv("OPENAI_API_KEY");

        const QString seen =
            result.summary + u'\n' + (result.artifact ? result.artifact->body : QString());
        QVERIFY2(seen.contains(shown), qPrintable(seen.left(2000)));
        if (!neverShown.isEmpty())
            QVERIFY2(!seen.contains(neverShown), qPrintable(seen.left(2000)));
        QCOMPARE(result.failed, failed);
        if (!neverWritten.isEmpty())
            QVERIFY(!QFile::exists(QString(neverWritten)
                                       .replace(u"{home}"_qs, m_home)
                                       .replace(u"{root}"_qs, m_root.path())));
        if (code.contains(u"{server}"))
            QCOMPARE(m_server.requestCount() > 0, network);
        // The script file is removed after every run.
        QVERIFY(!QFile::exists(PythonScriptRunner(m_workspace).scriptPath()));
    }

    // A child that leaves the script's session and keeps writing, as a daemon would, ends with
    // the script when it reaches its time limit.
    void theWholeProcessTreeEnds()
    {
        const QString heartbeat = QDir(m_workspace).filePath(u"heartbeat"_qs);
        QFile::remove(heartbeat);
        const QString code = u"import os, time\n"
                             "if os.fork() == 0:\n"
                             "    os.setsid()\n"
                             "    if os.fork() == 0:\n"
                             "        while True:\n"
                             "            open('heartbeat', 'a').write('.')\n"
                             "            time.sleep(0.05)\n"
                             "    os._exit(0)\n"
                             "time.sleep(60)\n"_qs;
        const ComputerUseResult result = run(code, 2s);
        QVERIFY(result.summary.startsWith(u"Script was stopped"));

        const qint64 sizeAtEnd = QFileInfo(heartbeat).size();
        QVERIFY(sizeAtEnd > 0);
        QTest::qWait(500);
        QCOMPARE(QFileInfo(heartbeat).size(), sizeAtEnd);
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
        const QString prefix = u"Successfully executed Python script.\nOutput:\n"_qs;
        QVERIFY(result.summary.startsWith(prefix));
        QCOMPARE(result.summary.size() - prefix.size(), 10 * 1024 * 1024);
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

    void refusals_data()
    {
        QTest::addColumn<QString>("workspace");
        QTest::addColumn<QString>("summaryStart");
        QTest::newRow("the home folder as workspace")
            << u"home"_qs << u"Scripts were not run: the workspace"_qs;
        QTest::newRow("an environment others can change")
            << u"shared"_qs << u"The Python environment at"_qs;
    }
    void refusals()
    {
        QFETCH(QString, workspace);
        QFETCH(QString, summaryStart);
        const QString path = m_root.filePath(workspace);
        if (workspace == u"shared") {
            // An environment any user could have put an interpreter into.
            QVERIFY(QDir().mkpath(path + u"/korvane_venv/bin"));
            QVERIFY(QFile::link(u"/usr/bin/python3"_qs, path + u"/korvane_venv/bin/python3"));
            QVERIFY(QFile::setPermissions(path + u"/korvane_venv", QFile::Permissions(0x7777)));
        }
        const ComputerUseResult result =
            QCoro::waitFor(PythonScriptRunner(path).run(u"print('ran')"_qs));
        QVERIFY2(result.summary.startsWith(summaryStart), qPrintable(result.summary));
        QVERIFY(result.failed);
    }
};

QTEST_GUILESS_MAIN(TestPythonScripts)
#include "tst_pythonscripts.moc"
