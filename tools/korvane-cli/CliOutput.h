#pragma once

#include <QJsonValue>
#include <QString>

namespace korvane::cli {

// One line on standard output, UTF-8, flushed.
void printLine(const QString& line);
// One line on standard error, UTF-8, flushed.
void printError(const QString& line);
// Compact JSON text of any JSON value (objects, arrays, strings, null).
QString compactJson(const QJsonValue& value);
// Prints a usage message for `synopsis` on standard error and returns the usage exit code.
int usageError(const QString& synopsis);

} // namespace korvane::cli
