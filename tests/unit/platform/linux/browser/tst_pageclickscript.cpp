// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/browser/PageClickScript.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace korvane;

// Page text reaches the click script only as one string literal.
class PageClickScriptTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void literalStaysOneString_data()
    {
        QTest::addColumn<QString>("label");
        QTest::newRow("quotes") << u"Say \"hi\", it's"_qs;
        QTest::newRow("backslashes") << u"C:\\path\\\" end"_qs;
        QTest::newRow("closing script tag") << u"</script><script>alert(1)</script>"_qs;
        QTest::newRow("line and paragraph separators") << u"a\u2028b\u2029c"_qs;
        QTest::newRow("control characters") << QString(u"\u0000\n\u001f\u007f"_qs);
        QTest::newRow("beyond ASCII") << u"Caf\u00e9 \U0001F600"_qs;
    }

    void literalStaysOneString()
    {
        QFETCH(QString, label);
        const QString literal = PageClickScript::stringLiteral(label);

        // Plain ASCII between one pair of quotes, without anything that ends a string or a script.
        QVERIFY(literal.startsWith(u'"') && literal.endsWith(u'"'));
        const QString inner = literal.sliced(1, literal.size() - 2);
        for (const QChar character : inner)
            QVERIFY2(character.unicode() >= 0x20 && character.unicode() < 0x7f,
                     qPrintable(literal));
        QVERIFY(!inner.contains(u'<'));
        QVERIFY(!inner.contains(u'\''));
        // Every backslash starts a \u escape, so none can escape the closing quote.
        for (qsizetype at = inner.indexOf(u'\\'); at >= 0; at = inner.indexOf(u'\\', at + 1))
            QVERIFY2(inner.mid(at + 1, 1) == u"u", qPrintable(literal));

        // A JSON reader (whose string syntax is a subset of JavaScript's) reads it back as typed.
        QJsonParseError error{};
        const QJsonDocument document =
            QJsonDocument::fromJson((u'[' + literal + u']').toUtf8(), &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(document.array().at(0).toString(), label);
    }
};

QTEST_GUILESS_MAIN(PageClickScriptTest)
#include "tst_pageclickscript.moc"
