// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Configuration.h"

#include <QDir>
#include <QHostAddress>

namespace korvane::Configuration {

namespace {

QString xdgFolder(const char* variable, const QString& fallbackBelowHome)
{
    const QString configured = qEnvironmentVariable(variable);
    // The XDG rules ignore relative paths.
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return configured;
    return QDir::home().filePath(fallbackBelowHome);
}

QUrl urlValue(const QString& name)
{
    return QUrl(value(name), QUrl::StrictMode);
}

} // namespace

QList<Key> keys()
{
    return {
        {apiKeyName, QString(), true, QStringLiteral("API key for the OpenAI-compatible service")},
        {openAIBaseUrlName, QStringLiteral("https://api.openai.com"), false,
         QStringLiteral("chat, image and realtime host (realtime swaps https for wss)")},
        {searchUrlName, QStringLiteral("https://html.duckduckgo.com"), false,
         QStringLiteral("host of the HTML search results page")},
        {searchIconUrlName, QStringLiteral("https://icons.duckduckgo.com"), false,
         QStringLiteral("host of the search result icons")},
        {navigationSiteName, QStringLiteral("www.apple.com"), false,
         QStringLiteral("site whose sections the browser click fallback knows")},
        {workspaceName, QString(), false, QStringLiteral("folder where Python scripts run")},
    };
}

LocalEnvironment::Lookup lookup(const QString& name)
{
    LocalEnvironment::Lookup found = LocalEnvironment::lookup(name);
    // Configurations written before the rename keep working.
    if (!found.value && name == navigationSiteName)
        found = LocalEnvironment::lookup(formerNavigationSiteName);
    return found;
}

QString value(const QString& name)
{
    if (name == workspaceName)
        return workspacePath();
    const LocalEnvironment::Lookup configured = lookup(name);
    if (configured.value)
        return *configured.value;
    for (const Key& key : keys()) {
        if (key.name == name)
            return key.defaultValue;
    }
    return {};
}

QUrl openAIBaseUrl()
{
    return urlValue(openAIBaseUrlName);
}

QUrl realtimeBaseUrl()
{
    QUrl url = openAIBaseUrl();
    if (url.scheme() == u"https")
        url.setScheme(QStringLiteral("wss"));
    else if (url.scheme() == u"http")
        url.setScheme(QStringLiteral("ws"));
    return url;
}

Outcome checkCredentialTransport(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    if (scheme == u"https" || scheme == u"wss")
        return Outcome::success();
    const QString host = url.host().toLower();
    const bool thisComputer =
        host == u"localhost" || host.endsWith(u".localhost") || QHostAddress(host).isLoopback();
    if ((scheme == u"http" || scheme == u"ws") && thisComputer)
        return Outcome::success();
    return Outcome::failure(openAIBaseUrlName +
                            QStringLiteral(" must start with https:// (plain http:// is "
                                           "allowed only for this computer), so the API key "
                                           "was not sent to ") +
                            url.toDisplayString(QUrl::RemoveUserInfo | QUrl::RemovePath |
                                                QUrl::RemoveQuery | QUrl::RemoveFragment));
}

QUrl appendingPath(const QUrl& base, const QString& path)
{
    QUrl url = base.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment);
    QString basePath = url.path();
    while (basePath.endsWith(u'/'))
        basePath.chop(1);
    url.setPath(basePath + path);
    return url;
}

QUrl openAIEndpoint(const QString& path)
{
    return appendingPath(openAIBaseUrl(), path);
}

QUrl searchUrl()
{
    return urlValue(searchUrlName);
}

QUrl searchIconUrl()
{
    return urlValue(searchIconUrlName);
}

QString navigationSite()
{
    return value(navigationSiteName);
}

QString workspacePath()
{
    // Only an absolute path: a relative one would make the working directory the workspace,
    // and nothing about the folder Korvane starts in is trusted.
    if (std::optional<QString> configured = LocalEnvironment::value(workspaceName);
        configured && QDir::isAbsolutePath(*configured))
        return QDir::cleanPath(*configured);
    return QDir(xdgFolder("XDG_DATA_HOME", QStringLiteral(".local/share")))
        .filePath(QStringLiteral("korvane/workspace"));
}

QString debugLogPath()
{
    return QDir(xdgFolder("XDG_STATE_HOME", QStringLiteral(".local/state")))
        .filePath(QStringLiteral("korvane/app_debug.log"));
}

} // namespace korvane::Configuration
