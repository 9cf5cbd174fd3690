// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>
#include <QUrl>

#include <optional>

namespace korvane {

// Address text → URL, and a host name two addresses can be compared by.
class URLNormalizer final {
public:
    // Trimmed; "https://" is put in front unless the text starts with http:// or https://
    // (any letter case). Nothing when a strict URL parser rejects the result or it has no host.
    static std::optional<QUrl> url(QStringView from);
    // The host (decoded) in lower case, or the whole address when there is no host; space,
    // "." and "/" trimmed at both ends, and a leading "www." removed.
    static QString canonicalHost(const QUrl& from);
};

} // namespace korvane
