// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace korvane {

// One web result. Its JSON form uses the field names as keys and omits absent optionals.
struct SearchResult {
    QString title{};
    QString url{};
    QString snippet{};
    std::optional<QString> faviconUrl{};
    std::optional<QString> imageUrl{};
    std::optional<QStringList> recipeIngredients{};
    std::optional<QStringList> recipeInstructions{};

    QJsonObject toJson() const;
    // Absent unless `title`, `url` and `snippet` are strings; mistyped optionals are dropped.
    static std::optional<SearchResult> fromJson(const QJsonObject& object);

    friend bool operator==(const SearchResult&, const SearchResult&) = default;
};

// A JSON array whose every element is a string, as a list; absent for anything else.
std::optional<QStringList> jsonStringList(const QJsonValue& value);

// The JSON array text of a result list, compact, as search artifacts carry it.
QString encodeSearchResults(const QList<SearchResult>& results);

// Absent unless `text` is a JSON array whose every element is a result object.
std::optional<QList<SearchResult>> decodeSearchResults(const QString& text);

} // namespace korvane
