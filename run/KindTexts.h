#pragma once

#include "Kinds.h"
#include "RunContext.h"

#include <QString>

#include <string_view>

namespace kestrel::texts {

// The names of the kinds of row and of the run's steps, and the status line that follows a run, made here
// from the run's numbers, so that the core, the failure log and the JSON report know kinds only by id.

// "文章" for "posts", "清空" for the emptying step, "页面" for WordPress's "page"; the id itself for
// one it does not know.
QString label(std::string_view id);
// The status line for an event: "初始化转换博客文章...", "正在转换博客文章.42%", "正在重新连接…".
QString status(const RunEvent& event);
// The running text of a kind without its percentage: "正在转换博客文章."
QString runningStem(Kind kind);
QString runningStem(std::string_view kindId);
// The status line while WordPress is emptied first, and once the run is through.
QString emptyingStatus();
QString finishedStatus();
// The name the blog's menu gets in WordPress.
QString menuName();
// The label of the home page's item in a menu made of emlog's navibar.
QString homeLabel();

} // namespace kestrel::texts
