#pragma once

#include "FailureLog.h"
#include "RunReport.h"

#include <QString>

#include <cstddef>

namespace kestrel::texts {

// What the user reads when a run has ended: the message of the window and the report of kestrel-cli,
// made of the same lines.

// How long the run took, how each blog was reached, what emptying deleted, then summary(); for the sample
// blog, that its failures are there on purpose.
QString completion(const RunReport& report);
// How the run reached emlog: its backup file, or its session.
QString emlogSourceLine(const RunReport& report);
// A run that stopped on an error nothing foresaw: "转换中断：…".
QString interrupted(const QString& what);
// A note of the run: "时区：WordPress 的时区由 UTC+0 改为 emlog 的 Asia/Shanghai".
QString note(const FailureLog::Note& note);
// The run's notes (WordPress's time zone set, say), then one line per migration: rows read, written,
// already there and failed, or that its table could not be read; then a line for each step with failed
// statements but no rows.
QString summary(const FailureLog& log);
// The failed rows, one per line, labelled; the first `limit`, then how many more there were.
QString details(const FailureLog& log, std::size_t limit = 200);

} // namespace kestrel::texts
