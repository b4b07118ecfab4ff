#pragma once

#include "BackupProblem.h"

#include <QString>

namespace kestrel::texts {

// What the user reads of an emlog backup file: why it could not be read, where it stops, and the
// question whether to read a cut file as far as it goes.

// Why an emlog backup file could not be read: where in the file and what, as the reader found it.
QString backupProblem(const BackupProblem& problem);
// Where and how a file read anyway stopped: "第 14 行第 1 列的语句没有写完".
QString backupCut(const BackupCut& cut);
// Whether to read an emlog backup file that stops before its end (`cut` says where) as far as it goes.
QString truncatedBackupQuestion(const QString& path, const QString& cut);
// The first line of the message when the file could not be read; its problem follows.
QString backupUnreadable();

} // namespace kestrel::texts
