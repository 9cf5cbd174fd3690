// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SlideDeck.h"

namespace korvane {

namespace {

constexpr QStringView imageOpen = u"[IMAGE:";
constexpr QStringView imageClose = u"]";

bool isImageLine(QStringView line)
{
    return line.startsWith(imageOpen) && line.endsWith(imageClose);
}

} // namespace

QStringList slides(QStringView body)
{
    QStringList result;
    for (QStringView piece : body.split(u"---")) {
        const QStringView trimmed = piece.trimmed();
        if (!trimmed.isEmpty())
            result.append(trimmed.toString());
    }
    return result;
}

std::optional<QString> extractImage(QStringView slide)
{
    for (QStringView raw : slide.split(u'\n')) {
        const QStringView line = raw.trimmed();
        if (isImageLine(line))
            return line.sliced(imageOpen.size(), line.size() - imageOpen.size() - imageClose.size())
                .toString();
    }
    return std::nullopt;
}

QStringList getContentLines(QStringView slide)
{
    QStringList lines;
    for (QStringView raw : slide.split(u'\n')) {
        const QStringView line = raw.trimmed();
        if (!line.isEmpty() && !isImageLine(line))
            lines.append(line.toString());
    }
    return lines;
}

} // namespace korvane
