// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/browser/NavigationFallback.h"

#include <QTest>

using namespace korvane;

// Where a click on a name the page does not hold goes instead.
class NavigationFallbackTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fallbackAddress_data()
    {
        QTest::addColumn<QString>("tab");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("configuredSite");
        // Empty: no fallback.
        QTest::addColumn<QString>("expected");

        const QString site = u"www.apple.com"_qs;
        QTest::newRow("other site: slug, port kept")
            << u"http://127.0.0.1:8080/products?x=1"_qs << u"Our  Team!"_qs << site
            << u"http://127.0.0.1:8080/our-team/"_qs;
        QTest::newRow("letters beyond ascii") << u"https://example.com/"_qs << u"Café Menü"_qs
                                              << site << u"https://example.com/café-menü/"_qs;
        QTest::newRow("configured site: its section")
            << u"https://www.apple.com/"_qs << u"TV & Home"_qs << site
            << u"https://www.apple.com/tv-home/"_qs;
        QTest::newRow("configured site without www")
            << u"https://apple.com/"_qs << u"Accessories"_qs << site
            << u"https://apple.com/shop/accessories/all/"_qs;
        QTest::newRow("section words only on the configured site")
            << u"https://example.com/"_qs << u"Vision"_qs << site
            << u"https://example.com/vision/"_qs;
        QTest::newRow("a subdomain is another site")
            << u"https://store.apple.com/"_qs << u"Vision"_qs << site
            << u"https://store.apple.com/vision/"_qs;
        QTest::newRow("configured site with port")
            << u"http://127.0.0.1:8080/"_qs << u"Vision"_qs << u"127.0.0.1:8080"_qs
            << u"http://127.0.0.1:8080/apple-vision-pro/"_qs;
        QTest::newRow("four pieces")
            << u"https://example.com/"_qs << u"aa bb cc dd"_qs << site << QString();
        QTest::newRow("a one-letter piece")
            << u"https://example.com/"_qs << u"go to x"_qs << site << QString();
        QTest::newRow("new-tab page")
            << u"chrome://newtab/"_qs << u"Pricing"_qs << site << QString();
        QTest::newRow("no address") << QString() << u"Pricing"_qs << site << QString();
    }
    void fallbackAddress()
    {
        QFETCH(QString, tab);
        QFETCH(QString, name);
        QFETCH(QString, configuredSite);
        QFETCH(QString, expected);
        const std::optional<QUrl> url = NavigationFallback::url(tab, name, configuredSite);
        QCOMPARE(url ? url->toString() : QString(), expected);
    }
};

QTEST_GUILESS_MAIN(NavigationFallbackTest)
#include "tst_navigationfallback.moc"
