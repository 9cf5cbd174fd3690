// SPDX-License-Identifier: GPL-3.0-or-later
// Cold start of the korvane executable to its first frame under a private Xvfb, its resident
// memory once idle, and the longest main-thread stall of the window while prompts are
// answered with search results and a script action: once with fake services, once with the
// real executor searching a loopback engine and running a real Python process. Prints medians.
#include "WindowFixture.h"
#include "XvfbMain.h"
#include "app/ApplicationComposition.h"
#include "computeruse/MacComputerUseService.h"
#include "search/SearchResult.h"
#include "support/LoopbackHttpServer.h"
#include "support/SearchEnginePages.h"
#include "unit/app/AppFakes.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QtQml/qqmlextensionplugin.h>

#include <algorithm>

Q_IMPORT_QML_PLUGIN(Korvane_UiPlugin)

using namespace korvane;
using namespace korvane::test;

namespace {

double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double residentMiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').constFirst().toDouble() / 1024.0;
    }
    return 0;
}

struct StartRun {
    double firstFrameMs = 0;
    double idleRssMiB = 0;
};

std::optional<StartRun> startOnce(const QString& binary)
{
    QProcess korvane;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORVANE_REPORT_FIRST_FRAME"), QStringLiteral("1"));
    env.insert(QStringLiteral("KORVANE_ENV_FILES"), QString());
    // No session bus: every run is a first instance.
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
               QStringLiteral("unix:path=/nonexistent"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    korvane.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    korvane.start(binary, {});
    if (!korvane.waitForStarted(10000))
        return std::nullopt;
    QByteArray out;
    while (!out.contains("first frame") && korvane.state() == QProcess::Running &&
           clock.elapsed() < 30000) {
        korvane.waitForReadyRead(100);
        out += korvane.readAllStandardOutput();
    }
    if (!out.contains("first frame"))
        return std::nullopt;
    StartRun run{.firstFrameMs = double(clock.nsecsElapsed()) / 1e6};
    QElapsedTimer idle;
    idle.start();
    while (idle.elapsed() < 3000)
        korvane.waitForFinished(100);
    run.idleRssMiB = residentMiB(korvane.processId());
    korvane.terminate();
    if (!korvane.waitForFinished(5000)) {
        korvane.kill();
        korvane.waitForFinished();
    }
    return run;
}

// The longest gap between ticks of a 2 ms timer while the window answers `prompts`.
double longestStall(WindowFixture& fixture, const QStringList& prompts)
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    qint64 longest = 0;
    QTimer ticker;
    ticker.setInterval(2);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    ticker.start();
    for (const QString& prompt : prompts) {
        fixture.harness().submit(prompt);
        fixture.harness().waitForQuiet();
        fixture.settle();
    }
    ticker.stop();
    return double(longest) / 1e6;
}

// A loopback engine with five results, each with a preview image and a recipe, and a Python
// workspace whose environment already exists (no package downloads).
struct RealServices {
    LoopbackHttpServer server;
    QTemporaryDir workspace;

    bool prepare()
    {
        if (!server.isListening() || !workspace.isValid())
            return false;
        server.setRoute("GET", QStringLiteral("/html/"),
                        Response::text(resultsPageHtml(server, 5, 5)));
        const QByteArray imageBase = server.url(QStringLiteral("/img/")).toString().toUtf8();
        for (int index = 0; index < 5; ++index) {
            Response page =
                Response::text(resultPageHtml(index, {.image = true, .recipe = true}, imageBase));
            page.delay = std::chrono::milliseconds(40 * index);
            server.setRoute("GET", resultPath(index), page);
        }
        qputenv("KORVANE_ENV_FILES", "");
        qputenv("KORVANE_SEARCH_URL", server.baseUrl().toString().toUtf8());
        qputenv("KORVANE_SEARCH_ICON_URL",
                server.url(QStringLiteral("/icons")).toString().toUtf8());
        qputenv("KORVANE_WORKSPACE", workspace.path().toUtf8());
        QProcess venv;
        venv.setWorkingDirectory(workspace.path());
        venv.start(QStringLiteral("python3"),
                   {QStringLiteral("-m"), QStringLiteral("venv"), QStringLiteral("--without-pip"),
                    QStringLiteral("korvane_venv")});
        return venv.waitForFinished(120000) && venv.exitCode() == 0;
    }
};

// A script that works for a while and hands back a spreadsheet artifact.
QString spreadsheetScript(const QString& folder)
{
    return QStringLiteral("import csv, os\n"
                          "rows = [(n, sum(i * i for i in range(n * 200))) for n in range(200)]\n"
                          "path = os.path.join(%1, 'squares.csv')\n"
                          "with open(path, 'w', newline='') as f:\n"
                          "    csv.writer(f).writerows(rows)\n"
                          "print('[ARTIFACT:spreadsheet|' + path + '|Squares|200 rows]')\n")
        .arg(u'\'' + folder + u'\'');
}

} // namespace

int main(int argc, char* argv[])
{
    TestDesktop desktop;
    QString whyNot;
    if (!desktop.startDisplay(&whyNot)) {
        std::printf("SKIP: %s\n", qPrintable(whyNot));
        return 0;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    QQuickStyle::setStyle(QStringLiteral("Fusion"));
    QTextStream out(stdout);
    const int runs = 7;

    const QString binary = QCoreApplication::applicationDirPath() + QStringLiteral("/korvane");
    QList<double> frames;
    QList<double> memory;
    for (int i = 0; i < runs; ++i) {
        if (const auto run = startOnce(binary)) {
            frames.append(run->firstFrameMs);
            memory.append(run->idleRssMiB);
        }
    }
    out << "cold start to first frame: median " << median(frames) << " ms over " << frames.size()
        << " runs (goal < 1500 ms)\n";
    out << "idle resident memory: median " << median(memory) << " MiB (goal < 200 MiB)\n";

    // Window stalls: answers that carry search results and a script action, rendered live.
    QList<double> stalls;
    for (int i = 0; i < runs; ++i) {
        WindowFixture fixture;
        if (!fixture.load())
            break;
        AppModelHarness& harness = fixture.harness();
        QList<SearchResult> results;
        for (int r = 0; r < 5; ++r)
            results.append({.title = QStringLiteral("Result %1").arg(r),
                            .url = QStringLiteral("https://example.test/%1").arg(r),
                            .snippet = QStringLiteral("Snippet of the result, a few words long.")});
        harness.assistant->replies = {
            AssistantResponse{.message = assistantMessage(QStringLiteral("Here is what I found.")),
                              .artifacts = {Artifact{.kind = ArtifactKind::search,
                                                     .title = QStringLiteral("Search"),
                                                     .body = encodeSearchResults(results)}}},
            AssistantResponse{
                .message = assistantMessage(QStringLiteral("Running it.")),
                .action = AssistantAction{.type = QStringLiteral("run_python_script"),
                                          .scriptCode = QStringLiteral("print('presentation')")}},
        };
        stalls.append(longestStall(
            fixture, {QStringLiteral("search pancakes"), QStringLiteral("make slides")}));
    }
    out << "longest main-thread stall (search results + script action, fake services): median "
        << median(stalls) << " ms over " << stalls.size() << " runs (goal < 50 ms)\n";

    RealServices real;
    if (!real.prepare()) {
        out << "SKIP: the loopback engine or the Python environment could not be prepared\n";
        return 0;
    }
    QList<double> realStalls;
    for (int i = 0; i < runs; ++i) {
        WindowFixture fixture(makeComputerUseService(composeDesktop()));
        if (!fixture.load())
            break;
        fixture.harness().assistant->replies = {AssistantResponse{
            .message = assistantMessage(QStringLiteral("Building the sheet.")),
            .action = AssistantAction{.type = QStringLiteral("run_python_script"),
                                      .scriptCode = spreadsheetScript(real.workspace.path())}}};
        realStalls.append(longestStall(fixture, {QStringLiteral("search the web for pancakes"),
                                                 QStringLiteral("make me a spreadsheet")}));
    }
    out << "longest main-thread stall (real search on a loopback engine + a real Python script): "
           "median "
        << median(realStalls) << " ms over " << realStalls.size() << " runs (goal < 50 ms)\n";
    return 0;
}
