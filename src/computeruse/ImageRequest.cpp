// SPDX-License-Identifier: GPL-3.0-or-later
#include "computeruse/ImageRequest.h"

#include <QStringList>

#include <array>

namespace korvane::images {

QString imageSize(const std::optional<QString>& aspectRatio)
{
    if (aspectRatio == u"3:2")
        return QStringLiteral("1536x1024");
    if (aspectRatio == u"2:3")
        return QStringLiteral("1024x1536");
    if (aspectRatio == u"16:9")
        return QStringLiteral("1792x1024");
    if (aspectRatio == u"9:16")
        return QStringLiteral("1024x1792");
    return QStringLiteral("1024x1024");
}

QString cleanImageTitle(const QString& prompt)
{
    // Longer phrasings first where one begins another.
    static constexpr std::array<QStringView, 17> prefixes{
        u"generate a photorealistic image of",
        u"generate a photorealistic portrait of",
        u"generate a photorealistic photo of",
        u"generate an image of",
        u"generate a photo of",
        u"photorealistic image of",
        u"photorealistic photo of",
        u"photorealistic portrait of",
        u"a photorealistic image of",
        u"a photorealistic photo of",
        u"a photorealistic portrait of",
        u"a portrait of",
        u"a photo of",
        u"an image of",
        u"generate",
        u"image of",
        u"photo of",
    };
    QString text = prompt.trimmed();
    const QString lower = text.toLower();
    for (const QStringView prefix : prefixes) {
        if (lower.startsWith(prefix)) {
            text = text.mid(prefix.size()).trimmed();
            break;
        }
    }
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    const QStringList words = text.simplified().split(u' ', Qt::SkipEmptyParts);
    if (words.size() < 6)
        return text;
    return words.first(5).join(u' ') + QStringLiteral("...");
}

} // namespace korvane::images
