// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Outcome.h"

#include <QString>

#include <optional>

// The XDG autostart entry that starts Korvane hidden when the person logs in
// ($XDG_CONFIG_HOME/autostart/com.korva.Korvane.desktop).
namespace korvane::AutostartEntry {

QString path();
bool exists();

// The entry's text for starting `program` with --background.
QString text(const QString& program);

// Each fails with a sentence saying what went wrong.
Outcome write(const QString& program);
Outcome remove();

} // namespace korvane::AutostartEntry
