// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/SearchResult.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace korvane {

namespace {

QJsonArray toJsonArray(const QStringList& texts)
{
    QJsonArray array;
    for (const QString& text : texts)
        array.append(text);
    return array;
}

std::optional<QString> optionalString(const QJsonValue& value)
{
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

} // namespace

std::optional<QStringList> jsonStringList(const QJsonValue& value)
{
    if (!value.isArray())
        return std::nullopt;
    QStringList texts;
    for (const QJsonValue& element : value.toArray()) {
        if (!element.isString())
            return std::nullopt;
        texts.append(element.toString());
    }
    return texts;
}

QJsonObject SearchResult::toJson() const
{
    QJsonObject object{
        {QStringLiteral("title"), title},
        {QStringLiteral("url"), url},
        {QStringLiteral("snippet"), snippet},
    };
    if (faviconUrl)
        object.insert(QStringLiteral("faviconUrl"), *faviconUrl);
    if (imageUrl)
        object.insert(QStringLiteral("imageUrl"), *imageUrl);
    if (recipeIngredients)
        object.insert(QStringLiteral("recipeIngredients"), toJsonArray(*recipeIngredients));
    if (recipeInstructions)
        object.insert(QStringLiteral("recipeInstructions"), toJsonArray(*recipeInstructions));
    return object;
}

std::optional<SearchResult> SearchResult::fromJson(const QJsonObject& object)
{
    const QJsonValue title = object.value(u"title");
    const QJsonValue url = object.value(u"url");
    const QJsonValue snippet = object.value(u"snippet");
    if (!title.isString() || !url.isString() || !snippet.isString())
        return std::nullopt;
    return SearchResult{
        title.toString(),
        url.toString(),
        snippet.toString(),
        optionalString(object.value(u"faviconUrl")),
        optionalString(object.value(u"imageUrl")),
        jsonStringList(object.value(u"recipeIngredients")),
        jsonStringList(object.value(u"recipeInstructions")),
    };
}

QString encodeSearchResults(const QList<SearchResult>& results)
{
    QJsonArray array;
    for (const SearchResult& result : results)
        array.append(result.toJson());
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

std::optional<QList<SearchResult>> decodeSearchResults(const QString& text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    QList<SearchResult> results;
    for (const QJsonValue& element : document.array()) {
        if (!element.isObject())
            return std::nullopt;
        std::optional<SearchResult> result = SearchResult::fromJson(element.toObject());
        if (!result)
            return std::nullopt;
        results.append(std::move(*result));
    }
    return results;
}

} // namespace korvane
