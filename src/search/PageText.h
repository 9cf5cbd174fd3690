// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace korvane {

// The page's text when its bytes are valid UTF-8 throughout (a truncated final sequence is not).
std::optional<QString> decodeUtf8Page(const QByteArray& bytes);

} // namespace korvane
