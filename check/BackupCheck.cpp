#include "BackupFile.h"
#include "CheckQueries.h"
#include "Kinds.h"
#include "ResultSet.h"

#include <algorithm>

namespace kestrel::check {

TableColumns backupColumns(const BackupFile& backup)
{
    TableColumns columns;
    for (const BackupTable& table : backup.tables()) {
        if (table.columns)
            columns[table.name] = *table.columns;
    }
    return columns;
}

std::map<std::string, std::string> backupCharsets(const BackupFile& backup)
{
    std::map<std::string, std::string> charsets;
    for (const BackupTable& table : backup.tables())
        charsets[table.name] = table.charset;
    return charsets;
}

void checkBackupRowSizes(BackupFile& backup, const CheckSettings& settings, BlogCheckReport& report)
{
    // Only WordPress's server has a limit here: the file has none.
    const std::uint64_t limit = report.wordPressMaxPacket;
    if (limit == 0)
        return;
    for (const KindInfo& kind : kinds) {
        const std::string_view bare = kind.emlogTable;
        const std::string_view idColumn = kind.idColumn;
        const BackupTable* table = backup.table(settings.emlogPrefix + std::string(bare));
        if (!table)
            continue;
        const bool read = backup.forEachRow(*table, [&](const BackupRow& row) {
            std::uint64_t bytes = 0;
            for (const SqlValue& value : row.values)
                bytes += value.bytes.size();
            if (bytes >= limit) {
                const SqlValue* id = row.value(idColumn);
                report.oversized.push_back(
                    {table->name, std::string(idColumn), id ? leadingInteger(id->bytes) : 0, bytes});
            }
            return true;
        });
        if (!read)
            report.errors.push_back(backup.error());
    }
}

} // namespace kestrel::check
