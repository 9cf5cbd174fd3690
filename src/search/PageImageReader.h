// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// Finds a result page's preview image in its meta tags, without any network.
namespace korvane::PageImageReader {

// The address of the first of these patterns (case-insensitive) that matches, group 1:
//   <meta\s+[^>]*property=["']og:image["']\s+[^>]*content=["']([^"']+)["']
//   <meta\s+[^>]*content=["']([^"']+)["']\s+[^>]*property=["']og:image["']
//   <meta\s+[^>]*name=["']twitter:image["']\s+[^>]*content=["']([^"']+)["']
// with "https:" in front of a protocol-relative address and nothing decoded.
std::optional<QString> imageUrl(QStringView page);

} // namespace korvane::PageImageReader
