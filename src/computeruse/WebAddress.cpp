#include "computeruse/WebAddress.h"

namespace korvane::webaddress {

std::optional<QUrl> url(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    const QString lower = trimmed.toLower();
    const bool hasScheme = lower.startsWith(u"http://") || lower.startsWith(u"https://");
    const QUrl parsed(hasScheme ? trimmed : QStringLiteral("https://") + trimmed, QUrl::StrictMode);
    if (!parsed.isValid())
        return std::nullopt;
    return parsed;
}

QString canonicalHost(const QUrl& url)
{
    QString host = url.host(QUrl::FullyDecoded);
    if (host.isEmpty())
        host = url.toString(QUrl::FullyEncoded);
    host = host.toLower();
    const auto isEdge = [](QChar c) { return c == u' ' || c == u'.' || c == u'/'; };
    qsizetype begin = 0;
    qsizetype end = host.size();
    while (begin < end && isEdge(host[begin]))
        ++begin;
    while (end > begin && isEdge(host[end - 1]))
        --end;
    host = host.sliced(begin, end - begin);
    if (host.startsWith(u"www."))
        host.remove(0, 4);
    return host;
}

} // namespace korvane::webaddress
