// SPDX-License-Identifier: GPL-3.0-or-later
// The two result-page readers: preview images from meta tags, recipes from JSON-LD blocks.
#include "search/PageImageReader.h"
#include "search/PageText.h"
#include "search/RecipeReader.h"

#include <QTest>

using namespace korvane;

Q_DECLARE_METATYPE(std::optional<QString>)
Q_DECLARE_METATYPE(std::optional<RecipeData>)

namespace {

QString ldJson(const QString& json)
{
    return QStringLiteral("<script type=\"application/ld+json\">\n") + json + u"\n</script>\n";
}

} // namespace

class PageReadersTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void imageUrl_data();
    void imageUrl();
    void recipe_data();
    void recipe();
    void pageText_data();
    void pageText();
};

void PageReadersTest::imageUrl_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<std::optional<QString>>("expected");
    const auto address = [](const char* text) {
        return std::optional<QString>(QString::fromUtf8(text));
    };
    // Most shapes are checked against the patterns themselves (tst_markupscan). Pattern order
    // beats page order: the og:image wins although the twitter tag comes first.
    QTest::newRow("og:image preferred over an earlier twitter:image")
        << QStringLiteral("<meta name=\"twitter:image\" content=\"https://i.test/t.jpg\">"
                          "<meta property=\"og:image\" content=\"https://i.test/o.jpg\">")
        << address("https://i.test/o.jpg");
    QTest::newRow("protocol-relative gets https")
        << QStringLiteral("<meta property=\"og:image\" content=\"//cdn.test/p.png\">")
        << address("https://cdn.test/p.png");
    QTest::newRow("og:image:width is not og:image")
        << QStringLiteral("<meta property=\"og:image:width\" content=\"1200\">")
        << std::optional<QString>();
    QString hostile;
    while (hostile.size() < 2 * 1024 * 1024)
        hostile += QStringLiteral("<meta property=\"og:image\"     ");
    // A backtracking engine needs minutes on this; the scanner must still answer.
    QTest::newRow("hostile: endless meta tag without content")
        << hostile << std::optional<QString>();
}

void PageReadersTest::imageUrl()
{
    QFETCH(QString, page);
    QFETCH(std::optional<QString>, expected);
    QCOMPARE(PageImageReader::imageUrl(page), expected);
}

void PageReadersTest::recipe_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<std::optional<RecipeData>>("expected");
    const QStringList ingredients{QStringLiteral("2 eggs"), QStringLiteral("1 cup flour")};
    const QStringList steps{QStringLiteral("Mix."), QStringLiteral("Bake.")};

    QTest::newRow("object with step objects")
        << ldJson(QStringLiteral(R"({"@type":"Recipe","recipeIngredient":["2 eggs","1 cup flour"],
            "recipeInstructions":[{"@type":"HowToStep","text":"Mix."},{"@type":"HowToStep","text":"Bake."}]})"))
        << std::optional(RecipeData{ingredients, steps});
    QTest::newRow("instructions as plain texts")
        << ldJson(QStringLiteral(R"({"@type":"Recipe","recipeIngredient":["2 eggs","1 cup flour"],
            "recipeInstructions":["Mix.","Bake."]})"))
        << std::optional(RecipeData{ingredients, steps});
    QTest::newRow("array of two recipes: the first")
        << ldJson(QStringLiteral(R"([{"@type":"Recipe","recipeIngredient":["2 eggs","1 cup flour"]},
            {"@type":"Recipe","recipeIngredient":["other"]}])"))
        << std::optional(RecipeData{ingredients, {}});
    QTest::newRow("instructions without ingredients still count")
        << ldJson(QStringLiteral(R"({"@type":"Recipe","recipeInstructions":["Mix.","Bake."]})"))
        << std::optional(RecipeData{{}, steps});
    QTest::newRow("steps without text are left out")
        << ldJson(QStringLiteral(R"({"@type":"Recipe","recipeIngredient":["2 eggs","1 cup flour"],
            "recipeInstructions":[{"name":"x"},{"text":"Mix."},{"text":3},{"text":"Bake."}]})"))
        << std::optional(RecipeData{ingredients, steps});
    QTest::newRow("empty instruction list is an empty list")
        << ldJson(QStringLiteral(
               R"({"@type":"Recipe","recipeIngredient":["2 eggs","1 cup flour"],"recipeInstructions":[]})"))
        << std::optional(RecipeData{ingredients, QStringList{}});
    QTest::newRow("mixed ingredient list is no list")
        << ldJson(QStringLiteral(
               R"({"@type":"Recipe","recipeIngredient":["2 eggs",2],"recipeInstructions":["Mix.","Bake."]})"))
        << std::optional(RecipeData{{}, steps});
    // The graph container hides the recipe; the reader must go on to the next block.
    QTest::newRow("graph container ignored, next block used")
        << ldJson(
               QStringLiteral(R"({"@graph":[{"@type":"Recipe","recipeIngredient":["hidden"]}]})")) +
               ldJson(QStringLiteral(R"({"@type":"Recipe","recipeInstructions":["Mix.","Bake."]})"))
        << std::optional(RecipeData{{}, steps});
    QTest::newRow("graph container only")
        << ldJson(
               QStringLiteral(R"({"@graph":[{"@type":"Recipe","recipeIngredient":["hidden"]}]})"))
        << std::optional<RecipeData>();
    QTest::newRow("block without the quoted word is skipped")
        << ldJson(QStringLiteral(R"({"@type":["Recipe2"],"recipeIngredient":["x"]})"))
        << std::optional<RecipeData>();
    QTest::newRow("broken JSON skipped, next block used")
        << ldJson(QStringLiteral(R"({"@type":"Recipe", oops)")) +
               ldJson(QStringLiteral(
                   R"({"@type":"Recipe","recipeIngredient":["2 eggs","1 cup flour"]})"))
        << std::optional(RecipeData{ingredients, {}});
    QTest::newRow("other script types are not read")
        << QStringLiteral(
               R"(<script type="text/javascript">{"@type":"Recipe","recipeIngredient":["x"]}</script>)")
        << std::optional<RecipeData>();
}

void PageReadersTest::recipe()
{
    QFETCH(QString, page);
    QFETCH(std::optional<RecipeData>, expected);
    const std::optional<RecipeData> actual = RecipeReader::read(page);
    QCOMPARE(actual.has_value(), expected.has_value());
    if (expected) {
        QCOMPARE(actual->ingredients, expected->ingredients);
        QCOMPARE(actual->instructions, expected->instructions);
    }
}

void PageReadersTest::pageText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("decodes");
    QTest::newRow("UTF-8") << QByteArray("caf\xc3\xa9") << true;
    QTest::newRow("Latin-1 byte") << QByteArray("caf\xe9 au lait") << false;
    QTest::newRow("truncated final sequence") << QByteArray("caf\xc3") << false;
    QTest::newRow("empty") << QByteArray() << true;
}

void PageReadersTest::pageText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, decodes);
    QCOMPARE(decodeUtf8Page(bytes).has_value(), decodes);
}

QTEST_GUILESS_MAIN(PageReadersTest)
#include "tst_pagereaders.moc"
