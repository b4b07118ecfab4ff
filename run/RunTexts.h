#pragma once

#include "BackupProblem.h"
#include "Emptying.h"
#include "EmptyingPlan.h"
#include "Encryption.h"
#include "FailureLog.h"
#include "Migrations.h"
#include "PluginSession.h"
#include "RunContext.h"

#include <QString>

#include <optional>
#include <string_view>
#include <vector>

namespace kestrel {

// Every text the window and the terminal show of a run's kinds and progress, made here from the
// run's numbers, so that the core, the failure log and the JSON report know kinds only by id.
namespace texts {

// "文章" for "posts", "清空" for the emptying step, "页面" for WordPress's "page"; the id itself for
// one it does not know.
QString label(std::string_view id);
// The status line for an event: "初始化转换博客文章...", "正在转换博客文章.42%", "正在重新连接…".
QString status(const RunEvent& event);
// The running text of a kind without its percentage: "正在转换博客文章."
QString runningStem(Kind kind);
// The name the blog's menu gets in WordPress.
QString menuName();
QString runningStem(std::string_view kindId);
// The status line while WordPress is emptied first.
QString emptyingStatus();
// Why emptying first deletes nothing and the run does not start: "emlog 的表 emlog_tag 读不到（…）：请检查…".
QString emptyingRefusal(const EmptyingPlan& plan);
// Said before the emptying question when some tables it deletes from cannot roll back; empty when all can.
QString emptyingEngineWarning(const EmptyingPlan& plan);
// How a failed emptying ended: why, and either that nothing was deleted or which deletes stand
// (tables and rows) and that `backupFile` puts them back.
QString emptyingFailure(const EmptyingFailure& failure, const QString& backupFile);
// Whether to read an emlog backup file that stops before its end (`cut` says where) as far as it goes,
// or whose statements too large to read were passed over, without what it lacks.
QString truncatedBackupQuestion(const QString& path, const BackupCut& cut, const std::vector<PassedOver>& passedOver);

// An emlog value past what the run reads, which refused the run before anything was written.
QString refusedValue(const RefusedValue& refused);

// Why an emlog backup file could not be read: where in the file and what, as the reader found it.
QString backupProblem(const BackupProblem& problem);
// Where and how a file read anyway stopped: "第 14 行第 1 列的语句没有写完".
QString backupCut(const BackupCut& cut);
// Which statement a file read anyway passed over as too large: "第 14 行第 1 列起的语句有 … 字节，超过了…".
QString passedOverStatement(const PassedOver& statement);

// A server's TLS refused (or its lack of it): what did not match and how to connect all the same, with
// kestrel-cli's options and the window's 安全 button, then the library's own words.
QString tlsRefusal(const TlsRefusal& refusal);
// The detail of a session that could not be opened: the TLS refusal worded, or the session's error.
QString sessionFailure(const BlogConnection& session);

// Why WordPress could not be reached through its plugin at `site`: what to do about it, with where
// receiving is switched on when that is the reason (`switchAddress`, as the site gave it).
QString pluginRefusal(PluginRefusal refusal, const QString& site, const QString& switchAddress);

// --wp-uploads with --wp-url: the files go into the site's uploads through the plugin.
QString uploadsNotThroughPlugin();

// A table prefix that is not only letters, digits, '_' and '$', refused before anything is opened.
QString unsafePrefix(const QString& blog, const QString& prefix);

// A note of the run: "时区：WordPress 的时区由 UTC+0 改为 emlog 的 Asia/Shanghai".
QString note(const FailureLog::Note& note);
// The run's notes (WordPress's time zone set, say), then one line per migration: rows read, written, already there and
// failed, or that its table could not be read; then a line for each step with failed statements but no rows.
QString summary(const FailureLog& log);
// An entry's reason in words: its error, or what the run knows it to mean.
QString reason(const FailureLog::Entry& entry);
// The failed rows, one per line, labelled; the first `limit`, then how many more there were.
QString details(const FailureLog& log, std::size_t limit = 200);

} // namespace texts

} // namespace kestrel
