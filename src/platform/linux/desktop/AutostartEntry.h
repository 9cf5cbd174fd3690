#pragma once

#include <QString>

#include <optional>

// The XDG autostart entry that starts Korvane hidden when the person logs in
// ($XDG_CONFIG_HOME/autostart/com.korva.Korvane.desktop).
namespace korvane::AutostartEntry {

QString path();
bool exists();

// The entry's text for starting `program` with --background.
QString text(const QString& program);

// Each returns a sentence saying what went wrong, or nothing on success.
std::optional<QString> write(const QString& program);
std::optional<QString> remove();

} // namespace korvane::AutostartEntry
