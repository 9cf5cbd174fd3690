// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/LocalEnvironment.h"
#include "core/Outcome.h"

#include <QList>
#include <QString>
#include <QUrl>

// Every setting that comes from the environment or `.env.local`, with its default. Values are
// read through LocalEnvironment at every use, never kept.
namespace korvane::Configuration {

inline const QString apiKeyName = QStringLiteral("OPENAI_API_KEY");
inline const QString openAIBaseUrlName = QStringLiteral("OPENAI_BASE_URL");
inline const QString searchUrlName = QStringLiteral("KORVANE_SEARCH_URL");
inline const QString searchIconUrlName = QStringLiteral("KORVANE_SEARCH_ICON_URL");
inline const QString navigationSiteName = QStringLiteral("KORVANE_NAVIGATION_SITE");
// The navigation site's earlier name, read when the current one is not set.
inline const QString formerNavigationSiteName = QStringLiteral("KORVANE_APPLE_SITE");
inline const QString workspaceName = QStringLiteral("KORVANE_WORKSPACE");

struct Key {
    QString name;
    // Empty when the key has no fixed default.
    QString defaultValue;
    bool isSecret = false;
    QString meaning;
};

// Every key, in the order the README and `korvane-cli config` list them.
QList<Key> keys();

// Where the key's value is set, under its earlier name when only that one is.
LocalEnvironment::Lookup lookup(const QString& name);

// The configured value, else the key's default.
QString value(const QString& name);

QUrl openAIBaseUrl();
// The realtime endpoint's base: the OpenAI base with https→wss and http→ws.
QUrl realtimeBaseUrl();
// `path` below the OpenAI base, keeping any path the base already has
// (http://127.0.0.1:8080/proxy + /v1/chat/completions →
// http://127.0.0.1:8080/proxy/v1/chat/completions).
QUrl openAIEndpoint(const QString& path);
QUrl searchUrl();
QUrl searchIconUrl();
// The site whose sections the browser click fallback knows.
QString navigationSite();
// Whether `url` may carry the API key: https and wss go anywhere, http and ws only to this
// computer (localhost or a loopback address). A refusal names the setting to change.
Outcome checkCredentialTransport(const QUrl& url);

// `base` with `path` appended to its own path; query and fragment dropped.
QUrl appendingPath(const QUrl& base, const QString& path);

// KORVANE_WORKSPACE when it is an absolute path, else $XDG_DATA_HOME/korvane/workspace.
QString workspacePath();

// $XDG_STATE_HOME/korvane/app_debug.log.
QString debugLogPath();

} // namespace korvane::Configuration
