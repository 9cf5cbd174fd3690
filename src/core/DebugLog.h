#pragma once

#include <QDateTime>
#include <QString>

namespace korvane {

// Appends "[yyyy-MM-dd HH:mm:ss.zzz] message" and a line feed to the debug log
// (Configuration::debugLogPath(), mode 0600). Safe from any thread; lines never interleave.
// The API key and bearer tokens are redacted. Failures are ignored.
void writeLog(const QString& message);

// The line writeLog appends for `message` at `time`, without redaction.
QString debugLogLine(const QString& message, const QDateTime& time);

// `message` with the API key and any bearer token replaced by "[redacted]".
QString redactSecrets(const QString& message);

} // namespace korvane
