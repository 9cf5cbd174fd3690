// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/ComputerUseOperations.h"
#include "computeruse/command/URLNormalizer.h"
#include "platform/BrowserAutomation.h"

namespace korvane::operations {

namespace {

ComputerUseResult sentence(QString summary)
{
    return {std::move(summary), std::nullopt};
}

bool hostsMatch(const QString& tabHost, const QString& targetHost)
{
    return tabHost == targetHost || tabHost.endsWith(u'.' + targetHost) ||
           targetHost.endsWith(u'.' + tabHost);
}

} // namespace

QCoro::Task<ComputerUseResult> searchWeb(ContextPointer context, QString query)
{
    const QString trimmed = query.trimmed();
    if (trimmed.isEmpty())
        co_return ComputerUseResult::failure(QStringLiteral("No search query provided."));
    const QList<SearchResult> results = co_await context->search(trimmed);

    Artifact artifact;
    artifact.kind = ArtifactKind::search;
    artifact.title = QStringLiteral("Web Search: \"") + trimmed + u'"';
    artifact.status = ArtifactStatus::ready;
    artifact.body = encodeSearchResults(results);
    QString summary;
    if (results.isEmpty())
        summary =
            QStringLiteral("No search results found for \"") + trimmed + QStringLiteral("\".");
    else
        summary = QStringLiteral("Found ") + QString::number(results.size()) +
                  QStringLiteral(" search results for \"") + trimmed + QStringLiteral("\".");
    co_return ComputerUseResult{summary, artifact};
}

QCoro::Task<ComputerUseResult> closeWebsite(ContextPointer context, QString text)
{
    const std::optional<QUrl> url = URLNormalizer::url(text);
    if (!url)
        co_return ComputerUseResult::failure(QStringLiteral("Could not understand ") + text + u'.');
    const QString targetHost = URLNormalizer::canonicalHost(*url);

    BrowserAutomation& browsers = *context->ports.browsers;
    std::optional<std::pair<BrowserTarget, QString>> firstMatch;
    const QList<BrowserTarget> running = co_await browsers.running();
    for (const BrowserTarget& browser : running) {
        const std::optional<QString> tabText = co_await browsers.activeTabURL(browser);
        if (!tabText)
            continue;
        const std::optional<QUrl> tabUrl = URLNormalizer::url(*tabText);
        if (!tabUrl)
            continue;
        const QString tabHost = URLNormalizer::canonicalHost(*tabUrl);
        if (hostsMatch(tabHost, targetHost)) {
            // Only the first match is closed; reading the others would change nothing.
            firstMatch = {browser, tabHost};
            break;
        }
    }
    if (!firstMatch)
        co_return ComputerUseResult::failure(QStringLiteral("Could not find an active ") +
                                             targetHost + QStringLiteral(" browser tab."));

    if (const Outcome closed = co_await browsers.closeActiveTab(firstMatch->first); !closed)
        co_return ComputerUseResult::failure(QStringLiteral("Could not close ") + targetHost +
                                             QStringLiteral(": ") + closed.error());
    co_return sentence(QStringLiteral("Closed ") + firstMatch->second + u'.');
}

QCoro::Task<ComputerUseResult> closeActiveBrowserTab(ContextPointer context)
{
    BrowserAutomation& browsers = *context->ports.browsers;
    std::optional<BrowserTarget> target = co_await browsers.frontmost();
    if (!target) {
        const QList<BrowserTarget> running = co_await browsers.running();
        for (const BrowserTarget& browser : running) {
            if (co_await browsers.activeTabURL(browser)) {
                target = browser;
                break;
            }
        }
    }
    if (!target)
        co_return ComputerUseResult::failure(QStringLiteral("No active browser tab was found."));
    if (const Outcome closed = co_await browsers.closeActiveTab(*target); !closed)
        co_return ComputerUseResult::failure(QStringLiteral("Could not close the active tab: ") +
                                             closed.error());
    co_return sentence(QStringLiteral("Closed the active tab."));
}

} // namespace korvane::operations
