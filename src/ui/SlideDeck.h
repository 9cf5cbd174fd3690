// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace korvane {

// The sections of a presentation body between "---" separators, trimmed, empty ones dropped.
QStringList slides(QStringView body);

// The reference of the first "[IMAGE:…]" line of a slide.
std::optional<QString> extractImage(QStringView slide);

// The slide's non-empty lines without its image lines; the first is the slide's title.
QStringList getContentLines(QStringView slide);

} // namespace korvane
