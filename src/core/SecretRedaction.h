// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace korvane {

// `text` with `apiKey` and any bearer token replaced by "[redacted]". Pure: the key is given.
QString redactSecrets(QString text, const std::optional<QString>& apiKey);

// The same with the key looked up now. The lookup reads the configuration files: call it off
// the window's thread.
QString redactSecrets(const QString& text);

} // namespace korvane
