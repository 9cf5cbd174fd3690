// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace korvane::images {

// The generation size for an aspect ratio; unknown or absent ratios give the square.
QString imageSize(const std::optional<QString>& aspectRatio);

// A short title from an image prompt: request wording dropped, first letter upper case, at
// most five words and "..." when longer.
QString cleanImageTitle(const QString& prompt);

} // namespace korvane::images
