#pragma once

#include "BlogCheck.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

// The pieces of checkBlogs, each reading one side of the question.
namespace kestrel {
class EmlogSource;
class Query;
class Session;
struct RunContext;
} // namespace kestrel

namespace kestrel::check {

using Rows = std::vector<std::vector<std::string>>;

// Every row of a select as texts (NULL as ""). A failed select gives no rows
// and adds the statement and the server's answer to `errors`.
Rows selectRows(Session& session, const Query& query, std::vector<std::string>& errors);

// The columns of each table of the session's database, in their order.
using TableColumns = std::map<std::string, std::vector<std::string>>;

// Some columns of every row of an emlog table, from its server or its backup file.
using EmlogRows = std::function<Rows(const std::string& table, const std::vector<std::string>& columns)>;

// Rows that already arrived, and ids WordPress uses for rows of its own.
void checkExistingRows(const EmlogRows& emlogRows, Session& wordPress, const CheckSettings& settings,
                       BlogCheckReport& report);

// The same questions of a backup file.
TableColumns backupColumns(const BackupFile& backup);
std::map<std::string, std::string> backupCharsets(const BackupFile& backup);
void checkBackupRowSizes(BackupFile& backup, const CheckSettings& settings, BlogCheckReport& report);

// The faces (members' photos, comments' avatars, the template's logo and favicon) the run would copy,
// and those an earlier run copied.
void checkFaces(EmlogSource& emlog, Session& wordPress, const CheckSettings& settings, BlogCheckReport& report);

// The zone each blog shows its times in.
void checkTimeZones(EmlogSource& emlog, RunContext& run, const CheckSettings& settings, BlogCheckReport& report);

// emlog rows too large for one statement on either server.
void checkRowSizes(Session& emlog, const CheckSettings& settings, const TableColumns& columns, BlogCheckReport& report);

} // namespace kestrel::check
