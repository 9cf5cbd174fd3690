// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/command/URLNormalizer.h"

#include <QTest>

using namespace korvane;

class URLNormalizerTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void url_data();
    void url();
    void canonicalHost_data();
    void canonicalHost();
};

void URLNormalizerTest::url_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // empty: no URL
    QTest::newRow("scheme added") << u"  example.com/a?b=c \n"_qs
                                  << u"https://example.com/a?b=c"_qs;
    QTest::newRow("upper-case scheme kept") << u"HTTP://Example.com"_qs << u"http://example.com"_qs;
    QTest::newRow("space in path") << u"example.com/a b"_qs << QString();
    QTest::newRow("stray percent") << u"example.com/100%"_qs << QString();
    QTest::newRow("other scheme gets a prefix and no host") << u"ftp:x"_qs << QString();
}

void URLNormalizerTest::url()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const std::optional<QUrl> url = URLNormalizer::url(text);
    QCOMPARE(url ? url->toString() : QString(), expected);
}

void URLNormalizerTest::canonicalHost_data()
{
    QTest::addColumn<QUrl>("url");
    QTest::addColumn<QString>("expected");
    QTest::newRow("www and case") << QUrl(u"https://www.Example.com/"_qs) << u"example.com"_qs;
    QTest::newRow("only one www") << QUrl(u"https://www.www.a.org"_qs) << u"www.a.org"_qs;
    QTest::newRow("trailing dot") << QUrl(u"https://a.org./x"_qs) << u"a.org"_qs;
    QTest::newRow("no host: whole address") << QUrl(u"file:///Tmp/X/"_qs) << u"file:///tmp/x"_qs;
}

void URLNormalizerTest::canonicalHost()
{
    QFETCH(QUrl, url);
    QFETCH(QString, expected);
    QCOMPARE(URLNormalizer::canonicalHost(url), expected);
}

QTEST_GUILESS_MAIN(URLNormalizerTest)
#include "tst_urlnormalizer.moc"
