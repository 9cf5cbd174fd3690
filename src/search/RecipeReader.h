// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QStringView>

#include <optional>

namespace korvane {

// What a page's structured data says about a recipe; a found recipe has at least one list.
struct RecipeData {
    std::optional<QStringList> ingredients{};
    std::optional<QStringList> instructions{};

    friend bool operator==(const RecipeData&, const RecipeData&) = default;
};

// Reads a recipe from a result page's JSON-LD blocks, without any network.
namespace RecipeReader {

// The bodies of <script[^>]*type="application/ld\+json"[^>]*>(.*?)</script> ("." matching line
// breaks), in page order.
QList<QStringView> structuredDataBlocks(QStringView page);

// The recipe of one block: its top-level object (or the first of a top-level array of objects)
// with "recipeIngredient" and/or "recipeInstructions". Nested recipes are not looked for.
std::optional<RecipeData> recipeInBlock(QStringView block);

// The recipe of the first block that has one.
std::optional<RecipeData> read(QStringView page);

} // namespace RecipeReader

} // namespace korvane
