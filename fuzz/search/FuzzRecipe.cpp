// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the JSON-LD recipe reader, both as a whole page and as one block.
#include "search/PageText.h"
#include "search/RecipeReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString page = korvane::decodeUtf8Page(bytes).value_or(QString::fromUtf8(bytes));
    for (const std::optional<korvane::RecipeData>& recipe :
         {korvane::RecipeReader::read(page), korvane::RecipeReader::recipeInBlock(page)}) {
        // A found recipe has at least one of its lists.
        if (recipe && !recipe->ingredients && !recipe->instructions)
            __builtin_trap();
    }
    return 0;
}
