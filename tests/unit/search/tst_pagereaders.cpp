// SPDX-License-Identifier: GPL-3.0-or-later
// The readers of the engine's results page and of the result sites' pages.
#include "search/MarkupScan.h"
#include "search/PageImageReader.h"
#include "search/PageText.h"
#include "search/RecipeReader.h"
#include "search/ResultsPageReader.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

using namespace korvane;

Q_DECLARE_METATYPE(std::optional<RecipeData>)

namespace {

// Every match of `pattern`, its dot matching line breaks too, as its captured groups.
QList<QStringList> allMatches(const char16_t* pattern, const QString& page)
{
    const QRegularExpression expression(QString::fromUtf16(pattern),
                                        QRegularExpression::DotMatchesEverythingOption);
    QList<QStringList> matches;
    QRegularExpressionMatchIterator iterator = expression.globalMatch(page);
    while (iterator.hasNext())
        matches.append(iterator.next().capturedTexts().mid(1));
    return matches;
}

template <typename Texts>
QList<QStringList> oneGroupEach(const Texts& texts)
{
    QList<QStringList> matches;
    for (const auto& text : texts)
        matches.append({QStringView(text).toString()});
    return matches;
}

std::optional<QString> expectedImage(const QString& page)
{
    const QStringList patterns{
        QString::fromUtf16(
            uR"re(<meta\s+[^>]*property=["']og:image["']\s+[^>]*content=["']([^"']+)["'])re"),
        QString::fromUtf16(
            uR"re(<meta\s+[^>]*content=["']([^"']+)["']\s+[^>]*property=["']og:image["'])re"),
        QString::fromUtf16(
            uR"re(<meta\s+[^>]*name=["']twitter:image["']\s+[^>]*content=["']([^"']+)["'])re"),
    };
    for (const QString& pattern : patterns) {
        const QRegularExpression expression(pattern, QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch match = expression.match(page);
        if (match.hasMatch()) {
            QString address = match.captured(1);
            if (address.startsWith(u"//"))
                address.prepend(u"https:");
            return address;
        }
    }
    return std::nullopt;
}

// Runs every scanner over `page` and reports the first disagreement, if any.
std::optional<QString> firstDisagreement(const QString& page)
{
    QList<QStringList> titles;
    for (const ResultsPageReader::TitleMatch& match : ResultsPageReader::titleMatches(page))
        titles.append({match.link, match.titleMarkup});
    if (titles !=
        allMatches(uR"re(<a[^>]*class="result__a"[^>]*href="([^"]+)"[^>]*>(.*?)</a>)re", page))
        return QStringLiteral("titles");
    if (oneGroupEach(ResultsPageReader::snippetMatches(page)) !=
        allMatches(uR"re(<a[^>]*class="result__snippet"[^>]*>(.*?)</a>)re", page))
        return QStringLiteral("snippets");
    if (oneGroupEach(RecipeReader::structuredDataBlocks(page)) !=
        allMatches(uR"re(<script[^>]*type="application/ld\+json"[^>]*>(.*?)</script>)re", page))
        return QStringLiteral("ld+json blocks");
    if (PageImageReader::imageUrl(page) != expectedImage(page))
        return QStringLiteral("image");
    if (MarkupScan::stripTags(page) !=
        QString(page).remove(QRegularExpression(QStringLiteral("<[^>]+>"))))
        return QStringLiteral("tag stripping");
    return std::nullopt;
}

QString titleAnchor(const QString& href, const QString& title)
{
    return QStringLiteral("<a rel=\"nofollow\" class=\"result__a\" href=\"") + href + u"\">" +
           title + u"</a>\n";
}

QString snippetAnchor(const QString& snippet)
{
    return QStringLiteral("<a class=\"result__snippet\" href=\"x\">") + snippet + u"</a>\n";
}

QString pageWith(int titles, int snippets)
{
    QString page;
    for (int index = 0; index < titles; ++index)
        page += titleAnchor(u"https://site%1.test/"_qs.arg(index), u"Title"_qs);
    for (int index = 0; index < snippets; ++index)
        page += snippetAnchor(u"Snippet"_qs);
    return page;
}

const QUrl iconBase(QStringLiteral("http://127.0.0.1:9/icons"));

QString ldJson(const QString& json)
{
    return QStringLiteral("<script type=\"application/ld+json\">\n") + json + u"\n</script>\n";
}

} // namespace

class PageReadersTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void scannersAgreeWithTheirPatterns();
    void titlesAndSnippetsPairByPosition();
    void cleanText_data();
    void cleanText();
    void targetAddress_data();
    void targetAddress();
    void recipe_data();
    void recipe();
    void hostilePagesFinish();
    void onlyWholeUtf8Decodes();
};

void PageReadersTest::scannersAgreeWithTheirPatterns()
{
    // The scanners stand in for plain patterns, which a backtracking engine takes minutes over
    // on hostile pages: on pages small enough, both must give the same matches. Pages stitched
    // from the patterns' pieces, and from whole tags that are easily got wrong, hit the corner
    // cases far more often than real pages; a fixed seed keeps a failure reproducible.
    const QStringList pieces =
        QString::fromUtf16(u"<a|<a |</a>|>|<|\"|'| |\n|x|//y|class=\"result__a\"|"
                           u"class=\"result__snippet\"|href=\"|<meta |<META\t|property=|og:image|"
                           u"OG:IMAGE|content=|Content=|name=|twitter:image|<script|"
                           u"type=\"application/ld+json\"|</script>|<b>|content=\"|\"og:image\" "
                           u"|\u00a0|<abbr | id=x ")
            .split(u'|') +
        QStringList{u"<meta\u00a0property=\"og:image\" content=\"x.png\">"_qs,
                    u"<meta content=\"a\" >property=\"og:image\">"_qs,
                    u"<a class=\"result__a\" href=\"one\" href=\"two\">T</a>"_qs,
                    u"<a class=\"result__a\" href=\"x>y\">T</a>"_qs};
    QRandomGenerator random(20261206);
    for (int round = 0; round < 8000; ++round) {
        QString page;
        const int count = random.bounded(1, 30);
        for (int piece = 0; piece < count; ++piece)
            page += pieces[random.bounded(static_cast<int>(pieces.size()))];
        const std::optional<QString> disagreement = firstDisagreement(page);
        QVERIFY2(!disagreement, qPrintable(disagreement.value_or(QString()) + u": " + page));
    }
}

void PageReadersTest::titlesAndSnippetsPairByPosition()
{
    // Catches pairing that stops at the larger count (reading past a list) or ignores the cap.
    QCOMPARE(ResultsPageReader::read(pageWith(12, 9), iconBase).size(), 9);
    QCOMPARE(ResultsPageReader::read(pageWith(15, 15), iconBase).size(), 10);
    // The first result's snippet is missing on the page: pairing is by position only, so
    // every later snippet shifts up by one. Catches pairing by proximity. A link without a
    // host gets no icon.
    const QString page = titleAnchor(QStringLiteral("/a"), QStringLiteral("A")) +
                         titleAnchor(QStringLiteral("https://b.test/"), QStringLiteral("B")) +
                         snippetAnchor(QStringLiteral("about B"));
    const QList<SearchResult> results = ResultsPageReader::read(page, iconBase);
    QCOMPARE(results.size(), 1);
    QCOMPARE(results.first(), (SearchResult{u"A"_qs, u"/a"_qs, u"about B"_qs}));
}

void PageReadersTest::cleanText_data()
{
    QTest::addColumn<QString>("markup");
    QTest::addColumn<QString>("expected");
    // "&amp;" goes before "&lt;", so an escaped "&lt;" still becomes "<".
    QTest::newRow("escaped entity decodes twice")
        << QStringLiteral("a &amp;lt; b") << QStringLiteral("a < b");
    // Tags go first: decoded angle brackets are text, not markup to strip.
    QTest::newRow("entity tags survive")
        << QStringLiteral("&lt;b&gt;bold&lt;/b&gt;") << QStringLiteral("<b>bold</b>");
    QTest::newRow("only five entities")
        << QStringLiteral("&#39;&nbsp;&apos;") << QStringLiteral("&#39;&nbsp;&apos;");
    QTest::newRow("trimmed, line breaks included")
        << QStringLiteral("\n  <span>x</span>\t\n") << QStringLiteral("x");
}

void PageReadersTest::cleanText()
{
    QFETCH(QString, markup);
    QFETCH(QString, expected);
    QCOMPARE(ResultsPageReader::cleanText(markup), expected);
}

void PageReadersTest::targetAddress_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("expected");
    QTest::newRow("redirector with encoded target and a further parameter")
        << QStringLiteral(
               "//duckduckgo.com/l/?uddg=https%3A%2F%2Fexample.com%2Fa%3Fb%3D1&amp;rut=ab")
        << QStringLiteral("https://example.com/a?b=1");
    QTest::newRow("encoded UTF-8")
        << QStringLiteral("/l/?uddg=https%3A%2F%2Fexample.com%2Fcr%C3%A8me")
        << QStringLiteral("https://example.com/crème");
    QTest::newRow("broken escape is kept undecoded")
        << QStringLiteral("/l/?uddg=https%3A%2F%2Fx.test%2F100%")
        << QStringLiteral("https%3A%2F%2Fx.test%2F100%");
    QTest::newRow("direct link unchanged")
        << QStringLiteral("https://example.com/%41") << QStringLiteral("https://example.com/%41");
    QTest::newRow("protocol-relative target") << QStringLiteral("/l/?uddg=%2F%2Fexample.com%2Fy")
                                              << QStringLiteral("https://example.com/y");
}

void PageReadersTest::targetAddress()
{
    QFETCH(QString, link);
    QFETCH(QString, expected);
    QCOMPARE(ResultsPageReader::targetAddress(link), expected);
}

void PageReadersTest::recipe_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<std::optional<RecipeData>>("expected");
    const QStringList ingredients{QStringLiteral("2 eggs"), QStringLiteral("1 cup flour")};
    const QStringList steps{QStringLiteral("Mix."), QStringLiteral("Bake.")};

    QTest::newRow("step objects; those without text are left out")
        << ldJson(QStringLiteral(R"({"@type":"Recipe","recipeIngredient":["2 eggs","1 cup flour"],
            "recipeInstructions":[{"name":"x"},{"text":"Mix."},{"text":3},{"text":"Bake."}]})"))
        << std::optional(RecipeData{ingredients, steps});
    QTest::newRow("instructions as plain texts")
        << ldJson(QStringLiteral(R"({"@type":"Recipe","recipeIngredient":["2 eggs","1 cup flour"],
            "recipeInstructions":["Mix.","Bake."]})"))
        << std::optional(RecipeData{ingredients, steps});
    QTest::newRow("array of two recipes: the first")
        << ldJson(QStringLiteral(R"([{"@type":"Recipe","recipeIngredient":["2 eggs","1 cup flour"]},
            {"@type":"Recipe","recipeIngredient":["other"]}])"))
        << std::optional(RecipeData{ingredients, {}});
    QTest::newRow("mixed ingredient list is no list; instructions alone still count")
        << ldJson(QStringLiteral(
               R"({"@type":"Recipe","recipeIngredient":["2 eggs",2],"recipeInstructions":["Mix.","Bake."]})"))
        << std::optional(RecipeData{{}, steps});
    // The graph container hides the recipe; the reader must go on to the next block.
    QTest::newRow("graph container ignored, next block used")
        << ldJson(
               QStringLiteral(R"({"@graph":[{"@type":"Recipe","recipeIngredient":["hidden"]}]})")) +
               ldJson(QStringLiteral(R"({"@type":"Recipe","recipeInstructions":["Mix.","Bake."]})"))
        << std::optional(RecipeData{{}, steps});
    QTest::newRow("broken JSON skipped, next block used")
        << ldJson(QStringLiteral(R"({"@type":"Recipe", oops)")) +
               ldJson(QStringLiteral(
                   R"({"@type":"Recipe","recipeIngredient":["2 eggs","1 cup flour"]})"))
        << std::optional(RecipeData{ingredients, {}});
}

void PageReadersTest::recipe()
{
    QFETCH(QString, page);
    QFETCH(std::optional<RecipeData>, expected);
    QCOMPARE(RecipeReader::read(page), expected);
}

void PageReadersTest::hostilePagesFinish()
{
    // Each of these takes a backtracking engine minutes at this size; a scanner that falls back
    // to it makes this test run into CTest's time-out.
    QString unclosed;
    while (unclosed.size() < 2 * 1024 * 1024)
        unclosed += QStringLiteral("<a class=\"result__a\" href=\"https://x.test/\">Title ");
    QCOMPARE(ResultsPageReader::read(QString(unclosed + u"</a>" + snippetAnchor(u"s"_qs)), iconBase)
                 .size(),
             1);
    QString endlessTag = QStringLiteral("<a class=\"result__snippet\" ");
    while (endlessTag.size() < 2 * 1024 * 1024)
        endlessTag += QStringLiteral("<a class=\"result__a\" href=\"x\" ");
    QCOMPARE(ResultsPageReader::read(QString(endlessTag + u"></a>"), iconBase).size(), 1);
    QString endlessMeta;
    while (endlessMeta.size() < 2 * 1024 * 1024)
        endlessMeta += QStringLiteral("<meta property=\"og:image\"     ");
    QCOMPARE(PageImageReader::imageUrl(endlessMeta), std::nullopt);
}

void PageReadersTest::onlyWholeUtf8Decodes()
{
    QCOMPARE(decodeUtf8Page("caf\xc3\xa9"), std::optional(u"café"_qs));
    QCOMPARE(decodeUtf8Page("caf\xc3"), std::nullopt);
}

QTEST_GUILESS_MAIN(PageReadersTest)
#include "tst_pagereaders.moc"
