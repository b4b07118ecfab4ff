#pragma once

#include "Emptying.h"
#include "EmptyingPlan.h"

#include <QString>

namespace kestrel::texts {

// What the user reads about a run and emptying WordPress first: the question before it, why nothing
// was emptied, how a failed emptying ended, and what it deleted.

// The question asked before a run starts, by the window before every run and by the command line before emptying.
QString runConfirmationQuestion();
// The same question when WordPress is to be emptied first: what goes, and where its backup is written.
QString runConfirmationQuestion(const EmptyingPlan& plan);
// "文章 3、页面 1、评论 5": the kinds of rows emptying takes, those with none left out.
QString emptyingCounts(const EmptyingPlan& plan);
// Why emptying first deletes nothing and the run does not start: "没有清空 WordPress…：emlog 的表 emlog_tag
// 读不到（…）".
QString emptyingRefusal(const EmptyingPlan& plan);
// Said before the emptying question when some tables it deletes from cannot roll back; empty when all can.
QString emptyingEngineWarning(const EmptyingPlan& plan);
// How a failed emptying ended: why, and either that nothing was deleted or which deletes stand
// (tables and rows) and that `backupFile` puts them back.
QString emptyingFailure(const EmptyingFailure& failure, const QString& backupFile);
// What emptying WordPress first deleted and where its backup is, for the report.
QString emptyingLine(const EmptyingPlan& emptied);

} // namespace kestrel::texts
