#include "platform/linux/browser/NavigationFallback.h"

#include <QTest>

using namespace korvane;

using OptionalText = std::optional<QString>;
Q_DECLARE_METATYPE(OptionalText)

class NavigationFallbackTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fallbackAddress_data();
    void fallbackAddress();
    void applePaths_data();
    void applePaths();
    void phrases_data();
    void phrases();
};

void NavigationFallbackTest::fallbackAddress_data()
{
    QTest::addColumn<QString>("tab");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("configuredSite");
    // Empty: no fallback.
    QTest::addColumn<QString>("expected");

    const QString apple = u"www.apple.com"_qs;
    QTest::newRow("other site: slug") << u"https://example.com/products?x=1"_qs << u"Pricing"_qs
                                      << apple << u"https://example.com/pricing/"_qs;
    QTest::newRow("tab host kept as written") << u"https://www.example.com/"_qs << u"About Us"_qs
                                              << apple << u"https://www.example.com/about-us/"_qs;
    QTest::newRow("port kept") << u"http://127.0.0.1:8080/page"_qs << u"Contact"_qs << apple
                               << u"http://127.0.0.1:8080/contact/"_qs;
    QTest::newRow("apple: tv & home") << u"https://www.apple.com/"_qs << u"TV & Home"_qs << apple
                                      << u"https://www.apple.com/tv-home/"_qs;
    QTest::newRow("apple: vision") << u"https://www.apple.com/iphone/"_qs << u"Vision"_qs << apple
                                   << u"https://www.apple.com/apple-vision-pro/"_qs;
    QTest::newRow("apple without www") << u"https://apple.com/"_qs << u"Accessories"_qs << apple
                                       << u"https://apple.com/shop/accessories/all/"_qs;
    QTest::newRow("apple: unknown word is a slug")
        << u"https://www.apple.com/"_qs << u"Newsroom"_qs << apple
        << u"https://www.apple.com/newsroom/"_qs;
    QTest::newRow("apple words only on the apple site")
        << u"https://example.com/"_qs << u"Vision"_qs << apple << u"https://example.com/vision/"_qs;
    QTest::newRow("apple subdomain is another site")
        << u"https://store.apple.com/"_qs << u"Vision"_qs << apple
        << u"https://store.apple.com/vision/"_qs;
    QTest::newRow("configured site with port")
        << u"http://127.0.0.1:8080/"_qs << u"Vision"_qs << u"127.0.0.1:8080"_qs
        << u"http://127.0.0.1:8080/apple-vision-pro/"_qs;
    QTest::newRow("five words") << u"https://example.com/"_qs << u"read the full story now"_qs
                                << apple << QString();
    QTest::newRow("one letter") << u"https://example.com/"_qs << u"x"_qs << apple << QString();
    QTest::newRow("only punctuation")
        << u"https://example.com/"_qs << u"!!"_qs << apple << QString();
    QTest::newRow("new-tab page") << u"chrome://newtab/"_qs << u"Pricing"_qs << apple << QString();
    QTest::newRow("blank page") << u"about:blank"_qs << u"Pricing"_qs << apple << QString();
    QTest::newRow("no address") << QString() << u"Pricing"_qs << apple << QString();
}

void NavigationFallbackTest::fallbackAddress()
{
    QFETCH(QString, tab);
    QFETCH(QString, name);
    QFETCH(QString, configuredSite);
    QFETCH(QString, expected);
    const std::optional<QUrl> url = NavigationFallback::url(tab, name, configuredSite);
    QCOMPARE(url ? url->toString() : QString(), expected);
}

void NavigationFallbackTest::applePaths_data()
{
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<OptionalText>("path");
    const std::pair<const char16_t*, const char16_t*> known[] = {
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
    };
    for (const auto& [word, path] : known)
        QTest::newRow(QString::fromUtf16(word).toUtf8().constData())
            << QString::fromUtf16(word) << OptionalText(QString::fromUtf16(path));
    QTest::newRow("not normalized") << u"TV & Home"_qs << OptionalText();
    QTest::newRow("unknown") << u"newsroom"_qs << OptionalText();
}

void NavigationFallbackTest::applePaths()
{
    QFETCH(QString, phrase);
    QFETCH(OptionalText, path);
    QCOMPARE(NavigationFallback::configuredSitePath(phrase), path);
}

void NavigationFallbackTest::phrases_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<bool>("simple");
    QTest::addColumn<OptionalText>("slug");

    QTest::newRow("ampersand") << u"TV & Home"_qs << u"tv home"_qs << true
                               << OptionalText(u"tv-home"_qs);
    QTest::newRow("punctuation dropped")
        << u"Sign-In!"_qs << u"signin"_qs << true << OptionalText(u"signin"_qs);
    QTest::newRow("runs of spaces")
        << u"  Our   Team "_qs << u"our team"_qs << true << OptionalText(u"our-team"_qs);
    QTest::newRow("three pieces") << u"a1 b2 c3"_qs << u"a1 b2 c3"_qs << true
                                  << OptionalText(u"a1-b2-c3"_qs);
    QTest::newRow("four pieces") << u"aa bb cc dd"_qs << u"aa bb cc dd"_qs << false
                                 << OptionalText(u"aa-bb-cc-dd"_qs);
    QTest::newRow("a short piece")
        << u"go to x"_qs << u"go to x"_qs << false << OptionalText(u"go-to-x"_qs);
    QTest::newRow("letters beyond ascii")
        << u"Café Menü"_qs << u"café menü"_qs << true << OptionalText(u"café-menü"_qs);
    QTest::newRow("nothing left") << u"?!"_qs << QString() << false << OptionalText();
}

void NavigationFallbackTest::phrases()
{
    QFETCH(QString, name);
    QFETCH(QString, phrase);
    QFETCH(bool, simple);
    QFETCH(OptionalText, slug);
    QCOMPARE(NavigationFallback::phrase(name), phrase);
    QCOMPARE(NavigationFallback::isSimpleNavigationTarget(phrase), simple);
    QCOMPARE(NavigationFallback::slug(phrase), slug);
}

QTEST_GUILESS_MAIN(NavigationFallbackTest)
#include "tst_navigationfallback.moc"
