#pragma once

#include "MarkedRows.h"

#include <cstdint>
#include <functional>
#include <string>

namespace kestrel {

class Session;
class ResultSet;
class RowsBackup;

// The marked rows of a table into the backup, a page at a time in the order of its key, each page asked for
// after the last key taken: the table is never held whole. `taken`, when given, sees each page before the next
// is asked for. False when a page could not be read (the session's error then says why) or written (`written`
// false, the backup's error).
bool backUpInPages(Session& wordPress, RowsBackup& backup, const std::string& name, const MarkedTable& table,
                   std::uint64_t& rowsBackedUp, bool& written, const std::function<void(ResultSet&)>& taken = {});

} // namespace kestrel
