// SPDX-License-Identifier: GPL-3.0-or-later
// Markdown lines and slide decks come straight from model output.
#include "ui/MarkdownLines.h"
#include "ui/SlideDeck.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 16)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto elements = korvane::parseMarkdownLines(text);
    if (elements.isEmpty())
        __builtin_trap();
    for (const QString& slide : korvane::slides(text)) {
        if (slide.isEmpty())
            __builtin_trap();
        const auto image = korvane::extractImage(slide);
        const QStringList lines = korvane::getContentLines(slide);
        if (image && lines.contains(u"[IMAGE:" % *image % u"]"))
            __builtin_trap();
    }
    return 0;
}
