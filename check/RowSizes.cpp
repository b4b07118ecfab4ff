#include "CheckQueries.h"
#include "Identifier.h"
#include "Kinds.h"
#include "ResultSet.h"
#include "Session.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace kestrel::check {

void checkRowSizes(Session& emlog, const CheckSettings& settings, const TableColumns& columns, BlogCheckReport& report)
{
    // A row travels whole, once from emlog and once in a statement to WordPress: the smaller limit counts.
    std::uint64_t limit = std::max(report.emlogMaxPacket, report.wordPressMaxPacket);
    for (const std::uint64_t packet : {report.emlogMaxPacket, report.wordPressMaxPacket}) {
        if (packet != 0)
            limit = std::min(limit, packet);
    }
    if (limit == 0)
        return;

    for (const KindInfo& kind : kinds) {
        const std::string_view bare = kind.emlogTable;
        const std::string_view idColumn = kind.idColumn;
        const std::string table = settings.emlogPrefix + std::string(bare);
        const auto found = columns.find(table);
        if (found == columns.end())
            continue;
        std::string bytes;
        for (const std::string& column : found->second)
            bytes += std::string(bytes.empty() ? "" : "+") + "COALESCE(LENGTH(" + quotedIdentifier(column) + "),0)";
        const Query oversized("emlog_oversized_rows",
                              "SELECT " + std::string(idColumn) + ", " + bytes +
                                  " AS bytes FROM ?1 HAVING bytes>=?2 ORDER BY 1",
                              {Name{table}, static_cast<std::int64_t>(limit)});
        for (const auto& row : selectRows(emlog, oversized, report.errors))
            report.oversized.push_back({table, std::string(idColumn), leadingInteger(row[0]),
                                        static_cast<std::uint64_t>(leadingInteger(row[1]))});
    }
}

} // namespace kestrel::check
