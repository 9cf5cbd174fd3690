// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>

namespace korvane {

// Largest size of the debug log; past it the file becomes app_debug.log.1 (replacing the
// older one) and a new log starts.
inline constexpr qint64 maximumDebugLogBytes = 5 * 1024 * 1024;

// Queues "[yyyy-MM-dd HH:mm:ss.zzz] message" and a line feed for the debug log
// (Configuration::debugLogPath() at the time of the call, mode 0600). Returns at once: one
// writer thread redacts the API key and bearer tokens (which reads the configuration files)
// and appends, so lines keep their order and never interleave. Safe from any thread; write
// failures are ignored.
void writeLog(const QString& message);

// Waits until every line queued so far is written.
void flushLog();

// The line writeLog appends for `message` at `time`, without redaction.
QString debugLogLine(const QString& message, const QDateTime& time);

} // namespace korvane
