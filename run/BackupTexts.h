#pragma once

#include "BackupProblem.h"
#include "Migrations.h"

#include <QString>

#include <vector>

namespace kestrel::texts {

// What the user reads of an emlog backup file: why it could not be read, where it stops, what a file
// read anyway left out, and the question whether to read a cut file as far as it goes.

// Why an emlog backup file could not be read: where in the file and what, as the reader found it.
QString backupProblem(const BackupProblem& problem);
// Where and how a file read anyway stopped: "第 14 行第 1 列的语句没有写完".
QString backupCut(const BackupCut& cut);
// Which statement a file read anyway passed over as too large: "第 14 行第 1 列起的语句有 … 字节，超过了…".
QString passedOverStatement(const PassedOver& statement);
// Whether to read an emlog backup file that stops before its end (`cut` says where) as far as it goes,
// or whose statements too large to read were passed over, without what it lacks.
QString truncatedBackupQuestion(const QString& path, const BackupCut& cut, const std::vector<PassedOver>& passedOver);
// An emlog value past what the run reads, which refused the run before anything was written.
QString refusedValue(const RefusedValue& refused);
// The first line of the message when the file could not be read; its problem follows.
QString backupUnreadable();

} // namespace kestrel::texts
