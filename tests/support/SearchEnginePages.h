// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <chrono>

namespace korvane::test {

class LoopbackHttpServer;

// The pages of a search engine and its result sites, as the web search reads them.
struct ResultPage {
    bool image = false;
    bool recipe = false;
    // How a server serves the page: after a delay, or repeated without end.
    std::chrono::milliseconds delay{0};
    bool oversized = false;
};

// "/r/<index>": where result `index` lives.
QString resultPath(int index);

// A result site's page: its title, an og:image under `imageBase` ("//img.test/" unless given)
// when `page.image`, and a recipe's JSON-LD when `page.recipe`.
QByteArray resultPageHtml(int index, const ResultPage& page, const QByteArray& imageBase = {});

// The engine's page: one result anchor (wrapped in the redirector) per target, `snippets`
// snippets; `tag` is appended to every title.
QByteArray resultsPageHtml(const QList<QUrl>& targets, int snippets, const QString& tag = {});
// Results 0… pointing at resultPath(N) on `server`.
QByteArray resultsPageHtml(const LoopbackHttpServer& server, int titles, int snippets,
                           const QString& tag = {});

} // namespace korvane::test
