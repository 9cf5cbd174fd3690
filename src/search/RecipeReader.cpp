// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/RecipeReader.h"

#include "search/MarkupScan.h"
#include "search/SearchResult.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace korvane::RecipeReader {

namespace {

std::optional<QList<QJsonObject>> objectList(const QJsonValue& value)
{
    if (!value.isArray())
        return std::nullopt;
    QList<QJsonObject> objects;
    for (const QJsonValue& element : value.toArray()) {
        if (!element.isObject())
            return std::nullopt;
        objects.append(element.toObject());
    }
    return objects;
}

std::optional<QStringList> instructions(const QJsonValue& value)
{
    // Step objects first: an empty list counts as a (stepless) list of them.
    if (std::optional<QList<QJsonObject>> steps = objectList(value)) {
        QStringList texts;
        for (const QJsonObject& step : *steps) {
            const QJsonValue text = step.value(u"text");
            if (text.isString())
                texts.append(text.toString());
        }
        return texts;
    }
    return jsonStringList(value);
}

} // namespace

QList<QStringView> structuredDataBlocks(QStringView page)
{
    return MarkupScan::elementBodies(page, u"<script", u"type=\"application/ld+json\"",
                                     u"</script>");
}

std::optional<RecipeData> recipeInBlock(QStringView block)
{
    const QStringView text = block.trimmed();
    if (!text.contains(u"\"Recipe\""))
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError)
        return std::nullopt;

    QJsonObject recipe;
    if (std::optional<QList<QJsonObject>> objects = objectList(document.array());
        document.isArray() && objects && !objects->isEmpty()) {
        recipe = objects->first();
    } else if (document.isObject()) {
        recipe = document.object();
    } else {
        return std::nullopt;
    }

    RecipeData data{jsonStringList(recipe.value(u"recipeIngredient")),
                    instructions(recipe.value(u"recipeInstructions"))};
    if (!data.ingredients && !data.instructions)
        return std::nullopt;
    return data;
}

std::optional<RecipeData> read(QStringView page)
{
    for (QStringView block : structuredDataBlocks(page)) {
        if (std::optional<RecipeData> recipe = recipeInBlock(block))
            return recipe;
    }
    return std::nullopt;
}

} // namespace korvane::RecipeReader
