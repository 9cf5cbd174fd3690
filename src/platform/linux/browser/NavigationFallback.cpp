// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/browser/NavigationFallback.h"

#include "computeruse/command/URLNormalizer.h"

#include <QStringList>

#include <array>
#include <utility>

namespace korvane {

namespace {

QStringList pieces(QStringView phrase)
{
    return phrase.toString().split(u' ', Qt::SkipEmptyParts);
}

bool isLetterOrDigit(QChar character)
{
    return character.isLetter() || character.isDigit();
}

// The configured site may be written as a host, host:port or a whole address.
QString configuredHost(QStringView site)
{
    const QString text = site.trimmed().toString();
    const QUrl url(text.contains(u"://") ? text : u"http://"_qs + text);
    return url.host().isEmpty() ? text : url.host();
}

} // namespace

std::optional<QString> NavigationFallback::configuredSitePath(QStringView phrase)
{
    static constexpr std::array<std::pair<std::u16string_view, std::u16string_view>, 11> paths{{
        {u"store", u"store/"},
        {u"mac", u"mac/"},
        {u"ipad", u"ipad/"},
        {u"iphone", u"iphone/"},
        {u"watch", u"watch/"},
        {u"vision", u"apple-vision-pro/"},
        {u"airpods", u"airpods/"},
        {u"tv home", u"tv-home/"},
        {u"entertainment", u"entertainment/"},
        {u"accessories", u"shop/accessories/all/"},
        {u"support", u"support/"},
    }};
    for (const auto& [word, path] : paths) {
        if (phrase == QStringView(word))
            return QStringView(path).toString();
    }
    return std::nullopt;
}

bool NavigationFallback::isSimpleNavigationTarget(QStringView phrase)
{
    const QStringList parts = pieces(phrase);
    if (parts.isEmpty() || parts.size() > 3)
        return false;
    return std::all_of(parts.cbegin(), parts.cend(), [](const QString& part) {
        return part.size() >= 2 && std::all_of(part.cbegin(), part.cend(), isLetterOrDigit);
    });
}

std::optional<QString> NavigationFallback::slug(QStringView phrase)
{
    const QStringList parts = pieces(phrase);
    if (parts.isEmpty())
        return std::nullopt;
    return parts.join(u'-');
}

QString NavigationFallback::phrase(QStringView name)
{
    QString kept;
    kept.reserve(name.size());
    for (const QChar character : name.toString().toLower()) {
        if (character == u'&')
            kept.append(u' ');
        else if (isLetterOrDigit(character) || character.isSpace())
            kept.append(character);
    }
    return pieces(kept).join(u' ');
}

QString NavigationFallback::siteHost(QStringView host)
{
    QString lower = host.toString().toLower();
    if (lower.startsWith(u"www."))
        lower.remove(0, 4);
    return lower;
}

std::optional<QUrl> NavigationFallback::url(QStringView tabAddress, QStringView name,
                                            QStringView configuredSite)
{
    // Only web pages have a site to guess on: a new-tab or settings page would otherwise be
    // read as a host called "chrome" or "about".
    const QStringView address = tabAddress.trimmed();
    if (!address.startsWith(u"http://", Qt::CaseInsensitive) &&
        !address.startsWith(u"https://", Qt::CaseInsensitive))
        return std::nullopt;
    const std::optional<QUrl> tab = URLNormalizer::url(address);
    if (!tab || tab->scheme().isEmpty() || tab->host().isEmpty())
        return std::nullopt;

    const QString wanted = phrase(name);
    std::optional<QString> path;
    if (siteHost(tab->host()) == siteHost(configuredHost(configuredSite)))
        path = configuredSitePath(wanted);
    if (!path && isSimpleNavigationTarget(wanted))
        path = *slug(wanted) + u'/';
    if (!path)
        return std::nullopt;

    // The tab's own port is kept: the section lives on the same server.
    QUrl fallback;
    fallback.setScheme(tab->scheme());
    fallback.setHost(tab->host());
    fallback.setPort(tab->port());
    fallback.setPath(u'/' + *path);
    return fallback;
}

} // namespace korvane
