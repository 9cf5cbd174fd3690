#pragma once

#include <QString>
#include <QUrl>

#include <optional>

namespace korvane::webaddress {

// Trimmed text as a URL, "https://" added when it names no http(s) scheme; absent when empty
// or unparseable.
std::optional<QUrl> url(const QString& text);

// Lower-case host without surrounding " ./" and without a leading "www."; the whole address
// when the URL has no host.
QString canonicalHost(const QUrl& url);

} // namespace korvane::webaddress
