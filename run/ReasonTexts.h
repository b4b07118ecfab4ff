#pragma once

#include "FailureLog.h"

#include <QString>

namespace kestrel::texts {

// Why a row or a step failed, in the user's words: each code of the core worded, with what it is about
// and the server's or the library's own words after it. "这条评论所属的文章（gid=14）在 emlog 里已经不存在".
QString reason(const FailureLog::Entry& entry);
// A code of the core worded as above, about no row in particular.
QString reason(const Why& why);

} // namespace kestrel::texts
