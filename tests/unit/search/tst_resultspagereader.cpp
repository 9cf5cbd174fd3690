// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/ResultsPageReader.h"

#include <QTest>

using namespace korvane;

namespace {

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
    QString page = QStringLiteral("<html><body>\n");
    for (int index = 0; index < std::max(titles, snippets); ++index) {
        if (index < titles) {
            page += titleAnchor(QStringLiteral("https://site%1.test/page").arg(index),
                                QStringLiteral("Title %1").arg(index));
        }
        if (index < snippets)
            page += snippetAnchor(QStringLiteral("Snippet %1").arg(index));
    }
    return page + u"</body></html>";
}

const QUrl iconBase(QStringLiteral("http://127.0.0.1:9/icons"));

} // namespace

class ResultsPageReaderTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void countIsTheSmallerMatchCountAtMostTen_data();
    void countIsTheSmallerMatchCountAtMostTen();
    void titlesAndSnippetsPairByPosition();
    void cleanText_data();
    void cleanText();
    void targetAddress_data();
    void targetAddress();
    void faviconUrl_data();
    void faviconUrl();
    void hostilePagesFinish_data();
    void hostilePagesFinish();
};

void ResultsPageReaderTest::countIsTheSmallerMatchCountAtMostTen_data()
{
    QTest::addColumn<int>("titles");
    QTest::addColumn<int>("snippets");
    QTest::addColumn<int>("expected");
    // Catches pairing that stops at the larger count (reading past a list) or ignores the cap.
    QTest::newRow("12 titles, 9 snippets") << 12 << 9 << 9;
    QTest::newRow("15 of each") << 15 << 15 << 10;
    QTest::newRow("titles only") << 3 << 0 << 0;
}

void ResultsPageReaderTest::countIsTheSmallerMatchCountAtMostTen()
{
    QFETCH(int, titles);
    QFETCH(int, snippets);
    QFETCH(int, expected);
    QCOMPARE(ResultsPageReader::read(pageWith(titles, snippets), iconBase).size(), expected);
}

void ResultsPageReaderTest::titlesAndSnippetsPairByPosition()
{
    // The first result's snippet is missing on the page: pairing is by position only, so
    // every later snippet shifts up by one. Catches pairing by proximity.
    const QString page = titleAnchor(QStringLiteral("https://a.test/"), QStringLiteral("A")) +
                         titleAnchor(QStringLiteral("https://b.test/"), QStringLiteral("B")) +
                         snippetAnchor(QStringLiteral("about B"));
    const QList<SearchResult> results = ResultsPageReader::read(page, iconBase);
    QCOMPARE(results.size(), 1);
    const SearchResult expected{QStringLiteral("A"),
                                QStringLiteral("https://a.test/"),
                                QStringLiteral("about B"),
                                QStringLiteral("http://127.0.0.1:9/icons/ip3/a.test.ico"),
                                {},
                                {},
                                {}};
    QCOMPARE(results.first(), expected);
}

void ResultsPageReaderTest::cleanText_data()
{
    QTest::addColumn<QString>("markup");
    QTest::addColumn<QString>("expected");
    QTest::newRow("bold tags and ampersand")
        << QStringLiteral("<b>Salt</b> &amp; <b>Pepper</b>") << QStringLiteral("Salt & Pepper");
    // "&amp;" goes before "&lt;", so an escaped "&lt;" still becomes "<".
    QTest::newRow("escaped entity decodes twice")
        << QStringLiteral("a &amp;lt; b") << QStringLiteral("a < b");
    QTest::newRow("quotes and apostrophe")
        << QStringLiteral("&quot;Bob&#x27;s&quot;") << QStringLiteral("\"Bob's\"");
    // Tags go first: decoded angle brackets are text, not markup to strip.
    QTest::newRow("entity tags survive")
        << QStringLiteral("&lt;b&gt;bold&lt;/b&gt;") << QStringLiteral("<b>bold</b>");
    QTest::newRow("only five entities")
        << QStringLiteral("&#39;&nbsp;&apos;") << QStringLiteral("&#39;&nbsp;&apos;");
    QTest::newRow("trimmed, line breaks included")
        << QStringLiteral("\n  <span>x</span>\t\n") << QStringLiteral("x");
    QTest::newRow("unclosed tag stays") << QStringLiteral("a <b") << QStringLiteral("a <b");
}

void ResultsPageReaderTest::cleanText()
{
    QFETCH(QString, markup);
    QFETCH(QString, expected);
    QCOMPARE(ResultsPageReader::cleanText(markup), expected);
}

void ResultsPageReaderTest::targetAddress_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("expected");
    QTest::newRow("redirector with encoded target and a further parameter")
        << QStringLiteral(
               "//duckduckgo.com/l/?uddg=https%3A%2F%2Fexample.com%2Fa%3Fb%3D1&amp;rut=ab")
        << QStringLiteral("https://example.com/a?b=1");
    QTest::newRow("only the first uddg counts")
        << QStringLiteral("/l/?uddg=https%3A%2F%2Fone.test&uddg=two")
        << QStringLiteral("https://one.test");
    QTest::newRow("encoded UTF-8")
        << QStringLiteral("/l/?uddg=https%3A%2F%2Fexample.com%2Fcr%C3%A8me")
        << QStringLiteral("https://example.com/crème");
    QTest::newRow("broken escape is kept undecoded")
        << QStringLiteral("/l/?uddg=https%3A%2F%2Fx.test%2F100%")
        << QStringLiteral("https%3A%2F%2Fx.test%2F100%");
    QTest::newRow("bytes that are not UTF-8 are kept undecoded")
        << QStringLiteral("/l/?uddg=https%3A%2F%2Fx.test%2F%FF")
        << QStringLiteral("https%3A%2F%2Fx.test%2F%FF");
    QTest::newRow("plus stays a plus") << QStringLiteral("/l/?uddg=https%3A%2F%2Fx.test%2Fc++")
                                       << QStringLiteral("https://x.test/c++");
    QTest::newRow("direct link unchanged")
        << QStringLiteral("https://example.com/%41") << QStringLiteral("https://example.com/%41");
    QTest::newRow("protocol-relative target") << QStringLiteral("/l/?uddg=%2F%2Fexample.com%2Fy")
                                              << QStringLiteral("https://example.com/y");
}

void ResultsPageReaderTest::targetAddress()
{
    QFETCH(QString, link);
    QFETCH(QString, expected);
    QCOMPARE(ResultsPageReader::targetAddress(link), expected);
}

void ResultsPageReaderTest::faviconUrl_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("iconBase");
    QTest::addColumn<QString>("expected");
    const QString none = QStringLiteral("<none>");
    QTest::newRow("host") << QStringLiteral("https://www.example.com/a?b")
                          << QStringLiteral("https://icons.test")
                          << QStringLiteral("https://icons.test/ip3/www.example.com.ico");
    QTest::newRow("base with a path keeps it")
        << QStringLiteral("http://a.test:8080/") << QStringLiteral("http://127.0.0.1:9/proxy/")
        << QStringLiteral("http://127.0.0.1:9/proxy/ip3/a.test.ico");
    QTest::newRow("no host") << QStringLiteral("/relative/path")
                             << QStringLiteral("https://icons.test") << none;
    QTest::newRow("not an address")
        << QStringLiteral("http://exa mple.com/") << QStringLiteral("https://icons.test") << none;
}

void ResultsPageReaderTest::faviconUrl()
{
    QFETCH(QString, url);
    QFETCH(QString, iconBase);
    QFETCH(QString, expected);
    QCOMPARE(ResultsPageReader::faviconUrl(url, QUrl(iconBase)).value_or(QStringLiteral("<none>")),
             expected);
}

void ResultsPageReaderTest::hostilePagesFinish_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<int>("expected");
    // Each of these takes a backtracking engine minutes at this size; a scanner that falls back
    // to it makes this test run into CTest's time-out.
    QString unclosed;
    while (unclosed.size() < 2 * 1024 * 1024)
        unclosed += QStringLiteral("<a class=\"result__a\" href=\"https://x.test/\">Title ");
    QTest::newRow("unclosed result anchors") << unclosed << 0;
    QTest::newRow("unclosed anchors, one close and a snippet at the end")
        << unclosed + QStringLiteral("</a>") + snippetAnchor(QStringLiteral("s")) << 1;
    QString endlessTag = QStringLiteral("<a class=\"result__snippet\" ");
    while (endlessTag.size() < 2 * 1024 * 1024)
        endlessTag += QStringLiteral("<a class=\"result__a\" href=\"x\" ");
    QTest::newRow("one endless tag") << endlessTag + QStringLiteral("></a>") << 1;
}

void ResultsPageReaderTest::hostilePagesFinish()
{
    QFETCH(QString, page);
    QFETCH(int, expected);
    QCOMPARE(ResultsPageReader::read(page, iconBase).size(), expected);
}

QTEST_GUILESS_MAIN(ResultsPageReaderTest)
#include "tst_resultspagereader.moc"
