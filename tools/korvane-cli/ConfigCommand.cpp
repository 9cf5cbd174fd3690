// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliCommands.h"
#include "CliOutput.h"
#include "app/ApplicationComposition.h"
#include "app/UserSettings.h"
#include "core/ApiKeySetup.h"
#include "core/Configuration.h"
#include "core/LocalEnvironment.h"
#include "platform/linux/browser/BrowserLaunch.h"
#include "platform/linux/xdg/XdgApplicationCatalog.h"

#include <QFileInfo>

namespace korvane::cli {

namespace {

QString describe(const Configuration::Key& key)
{
    const LocalEnvironment::Lookup lookup = Configuration::lookup(key.name);
    if (key.isSecret) {
        // Never the value itself, not even a part of it.
        return lookup.value ? QStringLiteral("set (from ") + lookup.source + u')'
                            : QStringLiteral("not set");
    }
    if (lookup.value)
        return *lookup.value + QStringLiteral(" (from ") + lookup.source + u')';
    return Configuration::value(key.name) + QStringLiteral(" (default)");
}

// The default browser, and whether and how Korvane drives it.
QString browserDescription()
{
    const XdgApplicationCatalog catalog;
    const std::optional<InstalledApplication> browser =
        catalog.applicationForRole(QStringLiteral("web browser"));
    const std::optional<QString> id = browser ? catalog.desktopEntryId(browser->url) : std::nullopt;
    if (!id)
        return QStringLiteral("none found; addresses open through xdg-open");
    return BrowserLaunch::describe(*id);
}

int runConfigCommand(const QStringList& arguments)
{
    if (!arguments.isEmpty())
        return usageError(configVerb().synopsis());

    // A new user learns first what is missing and where to put it.
    if (!ApiKeySetup::isConfigured())
        printLine(ApiKeySetup::advice());

    for (const Configuration::Key& key : Configuration::keys())
        printLine(key.name + QStringLiteral(": ") + describe(key));

    printLine(QStringLiteral("chat completions: ") +
              Configuration::openAIEndpoint(QStringLiteral("/v1/chat/completions")).toString());
    printLine(QStringLiteral("image generations: ") +
              Configuration::openAIEndpoint(QStringLiteral("/v1/images/generations")).toString());
    printLine(QStringLiteral("realtime: ") +
              Configuration::appendingPath(Configuration::realtimeBaseUrl(),
                                           QStringLiteral("/v1/realtime"))
                  .toString());
    printLine(QStringLiteral("search results: ") +
              Configuration::appendingPath(Configuration::searchUrl(), QStringLiteral("/html/"))
                  .toString());
    printLine(QStringLiteral("search icons: ") +
              Configuration::appendingPath(Configuration::searchIconUrl(), QStringLiteral("/ip3/"))
                  .toString());
    printLine(QStringLiteral("browser: ") + browserDescription());
    printLine(QStringLiteral("workspace: ") + Configuration::workspacePath());
    printLine(QStringLiteral("debug log: ") + Configuration::debugLogPath());
    printLine(QStringLiteral("settings: ") + UserSettings().fileName());
    for (const QString& file : LocalEnvironment::candidateEnvFiles()) {
        printLine(QStringLiteral("env file: ") + file +
                  (QFileInfo(file).isFile() ? QStringLiteral(" (present)")
                                            : QStringLiteral(" (absent)")));
    }
    // The session, then the backend chosen for each port.
    for (const auto& [port, backend] : composeDesktop().choices)
        printLine(port + QStringLiteral(": ") + backend);
    return exitSuccess;
}

} // namespace

Verb configVerb()
{
    return {
        .name = QStringLiteral("config"),
        .summary = QStringLiteral("Show each configuration key and where its value came from"),
        .description = QStringLiteral(
            "Prints each key with its value and its source (environment, the path of a "
            ".env.local file, or default), then the resolved service addresses, the browser "
            "Korvane drives and with which profile, the workspace, the debug log, the settings "
            "file and the .env.local files looked at. The API key "
            "shows only whether it is set and where. Without a key, the first line says what to "
            "set and where."),
        .run = runConfigCommand,
    };
}

} // namespace korvane::cli
