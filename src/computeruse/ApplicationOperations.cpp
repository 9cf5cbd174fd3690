// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/ComputerUseOperations.h"
#include "computeruse/MacApplicationResolver.h"
#include "computeruse/command/URLNormalizer.h"
#include "platform/ApplicationCatalog.h"
#include "platform/AutomationThread.h"
#include "platform/BrowserAutomation.h"
#include "platform/DocumentAutomation.h"
#include "platform/Workspace.h"
#include "uiautomation/UIAutomation.h"

#include <qcoro/qcorofuture.h>

namespace korvane::operations {

namespace {

using namespace std::chrono_literals;

constexpr std::chrono::milliseconds frontmostWaitLimit = 2000ms;
constexpr std::chrono::milliseconds frontmostPollInterval = 100ms;
constexpr std::chrono::milliseconds settleAfterOpen = 500ms;

struct Resolution {
    std::optional<InstalledApplication> application{};
    std::optional<QString> desktopEntryId{};
};

// Control-N: "New" in every office suite on this desktop.
KeyboardKey newDocumentKey()
{
    return {QStringLiteral("Control-N"), quint16{45}, KeyboardKey::control};
}

ComputerUseResult sentence(QString summary)
{
    return {std::move(summary), std::nullopt};
}

} // namespace

QCoro::Task<ComputerUseResult> openApp(ContextPointer context, QString name)
{
    // Resolution scans folders and may ask the desktop for its defaults: off the main thread.
    std::shared_ptr<ApplicationCatalog> catalog = context->ports.applications;
    auto resolving = runOnAutomationThread([catalog, name] {
        Resolution found;
        found.application = MacApplicationResolver(*catalog).resolve(name);
        if (found.application)
            found.desktopEntryId = catalog->desktopEntryId(found.application->url);
        return found;
    });
    // Awaited as a named future: GCC 12 destroys lambda temporaries of a co_await twice.
    const Resolution resolution = co_await resolving;
    if (!resolution.application)
        co_return ComputerUseResult::failure(QStringLiteral("Could not find ") + name + u'.');
    const InstalledApplication& application = *resolution.application;

    Workspace& workspace = *context->ports.workspace;
    auto opening = workspace.openApplication(application.url);
    if (const Outcome opened = co_await opening; !opened)
        co_return ComputerUseResult::failure(QStringLiteral("Could not open ") +
                                             application.displayName + QStringLiteral(": ") +
                                             opened.error());

    auto inFront = waitForFrontmost(context, [&](const std::optional<RunningApplication>& front) {
        // No identifier on either side counts as the same application.
        return (front ? front->desktopEntryId : std::nullopt) == resolution.desktopEntryId;
    });
    co_await inFront;
    co_await context->pacing->sleep(settleAfterOpen);
    co_return sentence(QStringLiteral("Opened ") + application.displayName + u'.');
}

QCoro::Task<bool>
waitForFrontmost(ContextPointer context,
                 std::function<bool(const std::optional<RunningApplication>&)> landed)
{
    Pacing& pacing = *context->pacing;
    Workspace& workspace = *context->ports.workspace;
    const auto start = pacing.now();
    while (pacing.now() - start < frontmostWaitLimit) {
        const std::optional<RunningApplication> frontmost =
            co_await workspace.frontmostApplication();
        if (landed(frontmost))
            co_return true;
        co_await pacing.sleep(frontmostPollInterval);
    }
    co_return false;
}

QCoro::Task<ComputerUseResult> openURL(ContextPointer context, QString text)
{
    const std::optional<QUrl> url = URLNormalizer::url(text);
    if (!url)
        co_return ComputerUseResult::failure(QStringLiteral("Could not open ") + text + u'.');
    const QString display = url->toString(QUrl::FullyEncoded).remove(QStringLiteral("https://"));
    // A browser Korvane drives takes the address, so the page opens where Korvane can act on
    // it; otherwise the desktop's handler does.
    const BrowserOpenResult inBrowser = co_await context->ports.browsers->openURL(*url);
    if (inBrowser.handled && inBrowser.error)
        co_return ComputerUseResult::failure(QStringLiteral("Could not open ") + display +
                                             QStringLiteral(": ") + *inBrowser.error);
    if (!inBrowser.handled && !co_await context->ports.workspace->open(*url))
        co_return ComputerUseResult::failure(QStringLiteral("Could not open ") + display + u'.');
    co_return sentence(QStringLiteral("Opened ") + display + u'.');
}

QCoro::Task<ComputerUseResult> createBlankPagesDocument(ContextPointer context)
{
    co_await openApp(context, QStringLiteral("Pages"));

    const Outcome created = co_await context->ports.documents->createBlankTextDocument();
    if (created)
        co_return sentence(QStringLiteral("Created a blank Pages document."));

    // Fallback: bring the word processor forward and ask it for a new document.
    co_await openApp(context, QStringLiteral("Pages"));
    const UIAutomationResult pressed =
        co_await context->ports.uiAutomation->pressKey(newDocumentKey());
    if (pressed.outcome == UIAutomationResult::Outcome::succeeded)
        co_return sentence(QStringLiteral("Created a blank Pages document."));
    QString fallbackError = summary(pressed);
    if (fallbackError.isEmpty())
        fallbackError = created.error();
    co_return ComputerUseResult::failure(
        QStringLiteral("Could not create a blank Pages document: ") + fallbackError);
}

} // namespace korvane::operations
