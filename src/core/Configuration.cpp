#include "core/Configuration.h"

#include "core/LocalEnvironment.h"

#include <QDir>

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
        {appleSiteName, QStringLiteral("www.apple.com"), false,
         QStringLiteral("site whose sections the browser click fallback knows")},
        {workspaceName, QString(), false, QStringLiteral("folder where Python scripts run")},
    };
}

QString value(const QString& name)
{
    if (std::optional<QString> configured = LocalEnvironment::value(name))
        return *configured;
    if (name == workspaceName)
        return workspacePath();
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

QString appleSite()
{
    return value(appleSiteName);
}

QString workspacePath()
{
    if (std::optional<QString> configured = LocalEnvironment::value(workspaceName))
        return QDir::cleanPath(QDir::current().absoluteFilePath(*configured));
    if (QDir::current().exists(QStringLiteral("CMakeLists.txt")))
        return QDir::currentPath();
    return QDir(xdgFolder("XDG_DATA_HOME", QStringLiteral(".local/share")))
        .filePath(QStringLiteral("korvane/workspace"));
}

QString debugLogPath()
{
    return QDir(xdgFolder("XDG_STATE_HOME", QStringLiteral(".local/state")))
        .filePath(QStringLiteral("korvane/app_debug.log"));
}

} // namespace korvane::Configuration
