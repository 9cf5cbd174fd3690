// SPDX-License-Identifier: GPL-3.0-or-later
// Web search figures: end-to-end time against slow loopback result pages (against the ideal of
// one results page plus one image phase plus one recipe phase), parse cost per MiB, and the
// time on hostile pages. Prints medians; never part of CTest.
#include "search/PageImageReader.h"
#include "search/RecipeReader.h"
#include "search/ResultsPageReader.h"
#include "search/WebSearchService.h"
#include "support/LoopbackHttpServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <qcoro/qcorotask.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <functional>
#include <vector>

using namespace korvane;
using namespace korvane::test;
using namespace std::chrono_literals;

namespace {

QTextStream out(stdout);

// Processor time of the last median call: the machine is shared, so wall time of pure parsing
// says more about the neighbours than about the code.
double lastCpuMilliseconds = 0;

double medianMilliseconds(int runs, const std::function<void()>& work)
{
    std::vector<double> times;
    std::vector<double> cpuTimes;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        const std::clock_t cpuStart = std::clock();
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        cpuTimes.push_back(double(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC);
    }
    std::sort(times.begin(), times.end());
    std::sort(cpuTimes.begin(), cpuTimes.end());
    lastCpuMilliseconds = cpuTimes[cpuTimes.size() / 2];
    return times[times.size() / 2];
}

QByteArray resultPage(int index)
{
    return "<html><head><meta property=\"og:image\" content=\"https://img.test/" +
           QByteArray::number(index) +
           ".jpg\"><script type=\"application/ld+json\">{\"@type\":\"Recipe\","
           "\"recipeIngredient\":[\"flour\"],\"recipeInstructions\":[\"Bake.\"]}</script>"
           "</head><body>page</body></html>";
}

QByteArray resultsPage(const QList<QUrl>& targets)
{
    QByteArray html = "<html><body>\n";
    for (int index = 0; index < targets.size(); ++index) {
        html += "<div class=\"result\"><h2 class=\"result__title\"><a rel=\"nofollow\" "
                "class=\"result__a\" href=\"//duckduckgo.com/l/?uddg=" +
                QUrl::toPercentEncoding(targets[index].toString()) + "&amp;rut=0\">Result <b>" +
                QByteArray::number(index) +
                "</b></a></h2><a class=\"result__snippet\" href=\"x\">About <b>result</b> &amp; "
                "more</a></div>\n";
    }
    return html + "</body></html>";
}

// One results page of ten results whose pages answer after `pageDelay`; `sites` servers share
// the ten result pages.
void endToEnd(int siteCount, std::chrono::milliseconds pageDelay, int runs)
{
    LoopbackHttpServer engine;
    std::vector<std::unique_ptr<LoopbackHttpServer>> sites;
    for (int site = 0; site < siteCount; ++site)
        sites.push_back(std::make_unique<LoopbackHttpServer>());
    QList<QUrl> targets;
    for (int index = 0; index < 10; ++index) {
        LoopbackHttpServer& site = *sites[size_t(index % siteCount)];
        const QString path = QStringLiteral("/r/%1").arg(index);
        Response response = Response::text(resultPage(index));
        response.delay = pageDelay;
        site.setRoute("GET", path, response);
        targets.append(site.url(path));
    }
    engine.setRoute("GET", QStringLiteral("/html/"), Response::text(resultsPage(targets)));
    qputenv("KORVANE_SEARCH_URL", engine.baseUrl().toString().toUtf8());

    // The results page alone: the same search with result pages that fail at once.
    LoopbackHttpServer bareEngine;
    QList<QUrl> refused;
    for (int index = 0; index < 10; ++index)
        refused.append(QUrl(QStringLiteral("http://127.0.0.1:9/r/%1").arg(index)));
    bareEngine.setRoute("GET", QStringLiteral("/html/"), Response::text(resultsPage(refused)));

    qputenv("KORVANE_SEARCH_URL", bareEngine.baseUrl().toString().toUtf8());
    const double pageOnly = medianMilliseconds(runs, [] {
        (void)QCoro::waitFor(WebSearchService::shared().search(QStringLiteral("cake")));
    });
    qputenv("KORVANE_SEARCH_URL", engine.baseUrl().toString().toUtf8());
    qsizetype returned = 0;
    const double total = medianMilliseconds(runs, [&returned] {
        returned = QCoro::waitFor(WebSearchService::shared().search(QStringLiteral("cake"))).size();
    });
    const double ideal = pageOnly + 2.0 * double(pageDelay.count());
    out << "search, 10 results on " << siteCount << " site(s), pages after " << pageDelay.count()
        << " ms: " << Qt::fixed << qSetRealNumberPrecision(1) << total << " ms (results page alone "
        << pageOnly << " ms, ideal " << ideal << " ms), measured/ideal "
        << qSetRealNumberPrecision(3) << total / ideal << ", " << returned << " results\n";
    out.flush();
}

QString repeatedTo(qsizetype bytes, const QString& piece, const QString& tail = QString())
{
    QString page;
    page.reserve(bytes + tail.size());
    while (page.size() < bytes)
        page += piece;
    return page + tail;
}

void parseCost()
{
    const QString block =
        QString::fromUtf8(resultsPage({QUrl(QStringLiteral("https://a.test/x"))}));
    const QString page = repeatedTo(5 * 1024 * 1024, block);
    qsizetype count = 0;
    const double ms = medianMilliseconds(5, [&] {
        count = ResultsPageReader::titleMatches(page).size() +
                ResultsPageReader::snippetMatches(page).size();
        (void)ResultsPageReader::read(page, QUrl(QStringLiteral("https://icons.test")));
    });
    const double mebibytes = double(page.size()) / (1024.0 * 1024.0);
    out << "results page parse (" << qSetRealNumberPrecision(2) << mebibytes << " MiB, " << count
        << " matches): " << qSetRealNumberPrecision(1) << ms << " ms, " << ms / mebibytes
        << " ms per MiB (CPU " << lastCpuMilliseconds / mebibytes << " ms per MiB)\n";

    const QString resultPageText =
        repeatedTo(2 * 1024 * 1024, QStringLiteral("<p>text <a href=\"x\">link</a></p>\n"),
                   QString::fromUtf8(resultPage(1)));
    const double imageMs =
        medianMilliseconds(5, [&] { (void)PageImageReader::imageUrl(resultPageText); });
    const double imageCpu = lastCpuMilliseconds;
    const double recipeMs =
        medianMilliseconds(5, [&] { (void)RecipeReader::read(resultPageText); });
    out << "result page (2 MiB, tags at the end): image " << imageMs << " ms (CPU " << imageCpu
        << " ms), recipe " << recipeMs << " ms (CPU " << lastCpuMilliseconds << " ms)\n";
    out.flush();
}

void hostilePages()
{
    const qsizetype size = 5 * 1024 * 1024;
    struct Case {
        const char* name;
        QString page;
    };
    const QString anchor = QStringLiteral("<a class=\"result__a\" href=\"https://x.test/\">Title ");
    const std::vector<Case> cases{
        {"unclosed result__a anchors", repeatedTo(size, anchor)},
        {"unclosed anchors + one </a> at the end",
         repeatedTo(size, anchor, QStringLiteral("</a>"))},
        {"one endless <a tag",
         repeatedTo(size, QStringLiteral("<a class=\"result__a\" href=\"x\" "),
                    QStringLiteral("></a>"))},
        {"unclosed snippet anchors",
         repeatedTo(size, QStringLiteral("<a class=\"result__snippet\">s "))},
    };
    for (const Case& hostile : cases) {
        const double ms = medianMilliseconds(3, [&] {
            (void)ResultsPageReader::read(hostile.page, QUrl(QStringLiteral("https://icons.test")));
        });
        out << "hostile results page, 5 MiB, " << hostile.name << ": " << ms << " ms (CPU "
            << lastCpuMilliseconds << " ms)\n";
    }
    const std::vector<Case> resultPages{
        {"endless og:image meta",
         repeatedTo(2 * 1024 * 1024, QStringLiteral("<meta property=\"og:image\"     "))},
        {"unclosed ld+json scripts",
         repeatedTo(2 * 1024 * 1024,
                    QStringLiteral("<script type=\"application/ld+json\">{\"Recipe\" "))},
    };
    for (const Case& hostile : resultPages) {
        const double ms = medianMilliseconds(3, [&] {
            (void)PageImageReader::imageUrl(hostile.page);
            (void)RecipeReader::read(hostile.page);
        });
        out << "hostile result page, 2 MiB, " << hostile.name << ": " << ms << " ms (CPU "
            << lastCpuMilliseconds << " ms)\n";
    }
    out.flush();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    out << Qt::fixed << qSetRealNumberPrecision(1);
    qputenv("KORVANE_ENV_FILES", "");
    qputenv("KORVANE_SEARCH_ICON_URL", "https://icons.test");
    parseCost();
    hostilePages();
    endToEnd(10, 1500ms, 3);
    // All ten pages on one host: the network manager's six connections per host show.
    endToEnd(1, 1500ms, 1);
    return 0;
}
