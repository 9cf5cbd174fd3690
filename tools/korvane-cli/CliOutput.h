// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Artifact.h"

#include <QJsonValue>
#include <QList>
#include <QString>

#include <utility>

namespace korvane::cli {

// One line on standard output, UTF-8, flushed, without the API key.
void printLine(const QString& line);
// One line on standard error, UTF-8, flushed, without the API key.
void printError(const QString& line);
// Compact JSON text of any JSON value (objects, arrays, strings, null).
QString compactJson(const QJsonValue& value);
// A JSON object with its keys in the given order (QJsonObject would sort them).
QString orderedObject(const QList<std::pair<QString, QJsonValue>>& fields);
// The text, or JSON null when absent.
QJsonValue optionalText(const std::optional<QString>& text);
// {"kind","title","status","body","imagePath"} with raw values, as `ask` and `run` print it.
QString artifactJson(const Artifact& artifact);
// Prints a usage message for `synopsis` on standard error and returns the usage exit code.
int usageError(const QString& synopsis);

} // namespace korvane::cli
