// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/SearchEnginePages.h"

#include "support/LoopbackHttpServer.h"

#include <algorithm>

namespace korvane::test {

QString resultPath(int index)
{
    return QStringLiteral("/r/%1").arg(index);
}

QByteArray resultPageHtml(int index, const ResultPage& page, const QByteArray& imageBase)
{
    QByteArray html = "<html><head><title>Result " + QByteArray::number(index) + "</title>\n";
    if (page.image)
        html += "<meta property=\"og:image\" content=\"" +
                (imageBase.isEmpty() ? QByteArray("//img.test/") : imageBase) +
                QByteArray::number(index) + ".jpg\">\n";
    if (page.recipe) {
        html += "<script type=\"application/ld+json\">{\"@type\":\"Recipe\",\"recipeIngredient\":"
                "[\"ingredient " +
                QByteArray::number(index) + "\"],\"recipeInstructions\":[{\"text\":\"step " +
                QByteArray::number(index) + "\"}]}</script>\n";
    }
    return html + "</head><body>page</body></html>";
}

QByteArray resultsPageHtml(const QList<QUrl>& targets, int snippets, const QString& tag)
{
    QByteArray html = "<html><body><div class=\"results\">\n";
    for (int index = 0; index < std::max(int(targets.size()), snippets); ++index) {
        if (index < targets.size()) {
            const QByteArray target = QUrl::toPercentEncoding(targets[index].toString());
            html += "<h2><a rel=\"nofollow\" class=\"result__a\" href=\"//duckduckgo.com/l/?uddg=" +
                    target + "&amp;rut=abc\">Result <b>" + QByteArray::number(index) + "</b>" +
                    tag.toUtf8() + "</a></h2>\n";
        }
        if (index < snippets) {
            html += "<a class=\"result__snippet\" href=\"x\">About &amp; result " +
                    QByteArray::number(index) + "</a>\n";
        }
    }
    return html + "</div></body></html>";
}

QByteArray resultsPageHtml(const LoopbackHttpServer& server, int titles, int snippets,
                           const QString& tag)
{
    QList<QUrl> targets;
    for (int index = 0; index < titles; ++index)
        targets.append(server.url(resultPath(index)));
    return resultsPageHtml(targets, snippets, tag);
}

} // namespace korvane::test
