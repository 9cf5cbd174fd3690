// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/browser/PageClickScript.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace korvane;

using OptionalText = std::optional<QString>;
Q_DECLARE_METATYPE(OptionalText)

// Page text reaches the click script only as one string literal.
class PageClickScriptTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void literalStaysOneString_data()
    {
        QTest::addColumn<QString>("label");
        QTest::newRow("empty") << QString();
        QTest::newRow("double quotes") << u"Say \"hi\""_qs;
        QTest::newRow("single quotes") << u"it's"_qs;
        QTest::newRow("backslashes") << u"C:\\path\\\" end"_qs;
        QTest::newRow("closing script tag") << u"</script><script>alert(1)</script>"_qs;
        QTest::newRow("string end and statement") << u"\"); document.title = \"x"_qs;
        QTest::newRow("template and comment") << u"${x} `y` // z /* w */"_qs;
        QTest::newRow("line feeds and tabs") << u"a\nb\r\nc\td"_qs;
        QTest::newRow("line and paragraph separators") << u"a\u2028b\u2029c"_qs;
        QTest::newRow("accents and emoji") << u"Café \U0001F600 ünïcode"_qs;
        QTest::newRow("control characters") << QString(u"\u0000\u0001\u001f\u007f"_qs);
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
        QVERIFY(!inner.contains(u'"'));
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

    void expressionEmbedsTheLabelOnlyAsALiteral()
    {
        const QString label = u"\"); alert(1); (\""_qs;
        const QString expression = PageClickScript::expression(label);
        QVERIFY(expression.startsWith(u"(() => {\n  const target = "_qs +
                                      PageClickScript::stringLiteral(label) +
                                      u".toLowerCase()"_qs));
        QVERIFY(expression.endsWith(u"})();"_qs));
        QVERIFY(!expression.contains(label));
    }

    void clickedSummary_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<OptionalText>("expected");
        QTest::newRow("surrounding whitespace")
            << u"\n clicked:pricing \t"_qs << OptionalText(u"Clicked pricing."_qs);
        QTest::newRow("colon in the label kept")
            << u"clicked:a:b"_qs << OptionalText(u"Clicked a:b."_qs);
        QTest::newRow("other case") << u"Clicked:sign in"_qs << OptionalText();
        QTest::newRow("empty") << QString() << OptionalText();
        QTest::newRow("prefix inside") << u"not clicked:x"_qs << OptionalText();
    }

    void clickedSummary()
    {
        QFETCH(QString, answer);
        QFETCH(OptionalText, expected);
        QCOMPARE(PageClickScript::clickedSummary(answer), expected);
    }
};

QTEST_GUILESS_MAIN(PageClickScriptTest)
#include "tst_pageclickscript.moc"
