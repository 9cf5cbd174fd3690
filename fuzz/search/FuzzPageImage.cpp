// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the preview-image reader.
#include "search/PageImageReader.h"
#include "search/PageText.h"

#include <QRegularExpression>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString page = korvane::decodeUtf8Page(bytes).value_or(QString::fromUtf8(bytes));
    const std::optional<QString> address = korvane::PageImageReader::imageUrl(page);
    // An address is always a non-empty piece of the page.
    if (address && address->isEmpty())
        __builtin_trap();

    // Small pages: the scanner must agree with the plain patterns it replaces.
    if (page.size() > 512)
        return 0;
    static const QList<QRegularExpression> patterns{
        QRegularExpression(
            QString::fromUtf16(
                uR"re(<meta\s+[^>]*property=["']og:image["']\s+[^>]*content=["']([^"']+)["'])re"),
            QRegularExpression::CaseInsensitiveOption),
        QRegularExpression(
            QString::fromUtf16(
                uR"re(<meta\s+[^>]*content=["']([^"']+)["']\s+[^>]*property=["']og:image["'])re"),
            QRegularExpression::CaseInsensitiveOption),
        QRegularExpression(
            QString::fromUtf16(
                uR"re(<meta\s+[^>]*name=["']twitter:image["']\s+[^>]*content=["']([^"']+)["'])re"),
            QRegularExpression::CaseInsensitiveOption),
    };
    std::optional<QString> expected;
    for (const QRegularExpression& pattern : patterns) {
        const QRegularExpressionMatch match = pattern.match(page);
        if (match.hasMatch()) {
            expected = match.captured(1);
            if (expected->startsWith(u"//"))
                expected->prepend(u"https:");
            break;
        }
    }
    if (address != expected)
        __builtin_trap();
    return 0;
}
