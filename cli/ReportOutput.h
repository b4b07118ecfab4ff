#pragma once

#include "MigrationRunner.h"

#include <QByteArray>
#include <QString>

namespace kestrel {

// Exit statuses of kestrel-cli.
namespace exitStatus {
constexpr int allArrived = 0;    // every row arrived or was already there
constexpr int rowsFailed = 1;    // the report lists the rows that did not
constexpr int usageOrServer = 2; // a wrong option, or a server that cannot be reached
constexpr int interrupted = 130; // Ctrl-C: the report says what arrived
} // namespace exitStatus

int exitStatusOf(const RunReport& report);

// The report for a person: the window's completion message with every migration's tally and every failed row.
QString reportText(const RunReport& report);

// The same as JSON: per migration what was read, written, already there and
// failed, each failure with its emlog id and the reason; the elapsed seconds.
QByteArray reportJson(const RunReport& report);
// What --json holds when a run could not start or broke off without a report: the reason, and no rows.
QByteArray failureJson(const QString& reason);

} // namespace kestrel
