// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ArtifactText.h"
#include "ui/FileOpening.h"
#include "ui/MarkdownLines.h"
#include "ui/SlideDeck.h"

#include <QFile>
#include <QMetaEnum>
#include <QTemporaryDir>
#include <QTest>

using namespace korvane;

Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class UiRulesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void markdownLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("empty body is one spacer") << QString() << QStringList{u"spacer:"_qs};
        QTest::newRow("headings: up to three hashes and a blank")
            << u"#   Title\n## Two\n#### Deep\n#Word"_qs
            << QStringList{u"h1:  Title"_qs, u"h2:Two"_qs, u"paragraph:#### Deep"_qs,
                           u"paragraph:#Word"_qs};
        QTest::newRow("one digit numbers only")
            << u"3.   Three \n2. a.b\n10. Ten\n0. zero"_qs
            << QStringList{u"numbered:Three"_qs, u"numbered:a.b"_qs, u"paragraph:10. Ten"_qs,
                           u"paragraph:0. zero"_qs};
        QTest::newRow("bullets, indented with tabs, and blank lines")
            << u"- one\n \t\n\t  * two\t\n-three"_qs
            << QStringList{u"bullet:one"_qs, u"spacer:"_qs, u"bullet:two"_qs,
                           u"paragraph:-three"_qs};
    }
    void markdownLines()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        QStringList lines;
        for (const MarkdownElement& element : parseMarkdownLines(text))
            lines.append(QLatin1String(QMetaEnum::fromType<MarkdownLineKind>().valueToKey(
                             int(element.kind))) %
                         u':' % element.text);
        QCOMPARE(lines, expected);
    }

    void extractImage_data()
    {
        QTest::addColumn<QString>("slide");
        QTest::addColumn<std::optional<QString>>("expected");
        QTest::newRow("pending reference") << u"Title\n  [IMAGE:generating|a red fox]  \ntext"_qs
                                           << std::optional<QString>(u"generating|a red fox"_qs);
        QTest::newRow("first of two")
            << u"[IMAGE:/a.png]\n[IMAGE:/b.png]"_qs << std::optional<QString>(u"/a.png"_qs);
        QTest::newRow("not closed") << u"[IMAGE:/a.png"_qs << std::optional<QString>();
        QTest::newRow("not at line start") << u"see [IMAGE:/a.png]"_qs << std::optional<QString>();
    }
    void extractImage()
    {
        QFETCH(QString, slide);
        QFETCH(std::optional<QString>, expected);
        QCOMPARE(korvane::extractImage(slide), expected);
    }

    void slidesAndTheirContentLines()
    {
        // Empty sections dropped, pieces trimmed, a separator inside a line splits too.
        QCOMPARE(slides(u"\n  A\nline  \n---\n\n---\nB---C"_qs),
                 (QStringList{u"A\nline"_qs, u"B"_qs, u"C"_qs}));
        QCOMPARE(getContentLines(u"  Title \n\n[IMAGE:x]\n see [IMAGE:y]\n\tPoint"),
                 (QStringList{u"Title"_qs, u"see [IMAGE:y]"_qs, u"Point"_qs}));
    }

    void openFileIsOfferedForFilesOnly()
    {
        QVERIFY(!showsOpenFile(u"deck.pptx"_qs));
        QVERIFY(!showsOpenFile(u"generating|a/b"_qs));
        QCOMPARE(imageSourceUrl(u"/tmp/a b.png"), QUrl::fromLocalFile(u"/tmp/a b.png"_qs));
        QCOMPARE(imageSourceUrl(u"https://example.test/a.png").scheme(), u"https"_qs);
    }

    void saveImageReplacesOnlyOnSuccess()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(u"GeneratedImage_1.png"_qs);
        const QString destination = dir.filePath(u"Saved.png"_qs);
        writeFile(source, "new");
        writeFile(destination, "precious");
        QVERIFY(!saveImage(dir.filePath(u"missing.png"_qs), QUrl::fromLocalFile(destination)));
        QVERIFY(!saveImage(u"https://example.test/a.png"_qs, QUrl::fromLocalFile(destination)));
        QCOMPARE(readFile(destination), QByteArray("precious"));
        // Saving an image onto itself must not delete it.
        QVERIFY(saveImage(source, QUrl::fromLocalFile(source)));
        QCOMPARE(readFile(source), QByteArray("new"));

        QVERIFY(
            saveImage(QUrl::fromLocalFile(source).toString(), QUrl::fromLocalFile(destination)));
        QCOMPARE(readFile(destination), QByteArray("new"));
        QCOMPARE(readFile(source), QByteArray("new"));
    }
};

QTEST_GUILESS_MAIN(UiRulesTest)
#include "tst_uirules.moc"
