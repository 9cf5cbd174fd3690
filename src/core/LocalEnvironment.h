// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

// Development configuration: the process environment first, then `.env.local` files.
// Nothing is cached; every lookup reads the environment and the files afresh, so it may be
// called from any thread.
namespace korvane::LocalEnvironment {

// Files larger than this, and anything that is not a regular file, are skipped.
inline constexpr qint64 maximumFileSize = 1024 * 1024;

// Where a value came from: "environment", the path of the file, or empty when absent.
struct Lookup {
    std::optional<QString> value;
    QString source;
};

Lookup lookup(const QString& key);

// The value for `key`: a non-empty environment variable, else the first candidate file whose
// first matching line holds a non-empty value.
std::optional<QString> value(const QString& key);

// The user's own file, $XDG_CONFIG_HOME/korvane/.env.local: the last candidate.
QString userEnvFile();

// The `.env.local` files consulted, in order of precedence, without duplicates.
// KORVANE_ENV_FILES (colon-separated paths) replaces the list when it is set.
QStringList candidateEnvFiles();

// The value of `key` in one file; absent when the file is missing, unreadable, not a regular
// file, too large, not UTF-8, or has no line for the key. May be empty.
std::optional<QString> valueInFile(const QString& key, const QString& filePath);

// The line rules applied to a file's text.
std::optional<QString> valueInText(const QString& key, QStringView text);

} // namespace korvane::LocalEnvironment
