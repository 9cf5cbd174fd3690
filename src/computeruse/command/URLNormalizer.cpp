// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/command/URLNormalizer.h"

namespace korvane {

std::optional<QUrl> URLNormalizer::url(QStringView from)
{
    const QString text = from.trimmed().toString();
    if (text.isEmpty())
        return std::nullopt;
    const bool hasScheme = text.startsWith(u"http://", Qt::CaseInsensitive) ||
                           text.startsWith(u"https://", Qt::CaseInsensitive);
    // Strict: a space or a stray percent sign makes the address invalid instead of being
    // quietly encoded into something the user did not say.
    const QUrl url(hasScheme ? text : QStringLiteral("https://") + text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    return url;
}

QString URLNormalizer::canonicalHost(const QUrl& from)
{
    QString host = from.host(QUrl::FullyDecoded);
    if (host.isEmpty())
        host = from.toString(QUrl::FullyEncoded);
    host = host.toLower();
    const auto trimmable = [](QChar c) { return c == u' ' || c == u'.' || c == u'/'; };
    qsizetype begin = 0;
    qsizetype end = host.size();
    while (begin < end && trimmable(host[begin]))
        ++begin;
    while (end > begin && trimmable(host[end - 1]))
        --end;
    host = host.sliced(begin, end - begin);
    if (host.startsWith(u"www."))
        host.remove(0, 4);
    return host;
}

} // namespace korvane
