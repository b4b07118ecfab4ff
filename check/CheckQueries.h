#pragma once

#include "BlogCheck.h"

#include <map>
#include <string>
#include <vector>

// The pieces of checkBlogs, each reading one side of the question.
namespace kestrel::check {

using Rows = std::vector<std::vector<std::string>>;

// Every row of a select as texts (NULL as ""). A failed select gives no rows
// and adds the statement and the server's answer to `errors`.
Rows selectRows(BlogConnection& connection, const std::string& sql, std::vector<std::string>& errors);

// The columns of each table of the session's database, in their order.
using TableColumns = std::map<std::string, std::vector<std::string>>;

// Rows that already arrived, and ids WordPress uses for rows of its own.
void checkExistingRows(BlogConnection& emlog, BlogConnection& wordPress, const CheckSettings& settings,
                       BlogCheckReport& report);

// emlog rows too large for one statement on either server.
void checkRowSizes(BlogConnection& emlog, const CheckSettings& settings, const TableColumns& columns,
                   BlogCheckReport& report);

} // namespace kestrel::check
