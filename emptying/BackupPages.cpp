#include "BackupPages.h"

#include "ResultSet.h"
#include "RowsBackup.h"
#include "Session.h"

#include <algorithm>

namespace kestrel {

// Pages of the backup: about this many bytes of rows, the first of `firstPageRows` rows, each next one
// sized from the rows before it.
constexpr std::uint64_t pageBytes = 4 << 20;
constexpr std::uint64_t firstPageRows = 500;
constexpr std::uint64_t mostPageRows = 20000;

// The marked rows of a table into the backup, a page at a time in the order of its key, each page asked for
// after the last key taken: the table is never held whole. Inside the emptying's transaction, every page
// reads the same snapshot. False when a page could not be read (the session's error then says why) or
// written (`written` false, the backup's error).
bool backUpInPages(Session& wordPress, RowsBackup& backup, const std::string& name, const MarkedTable& table,
                   std::uint64_t& rowsBackedUp, bool& written, const std::function<void(ResultSet&)>& taken)
{
    written = true;
    rowsBackedUp = 0;
    std::string order;
    for (const std::string_view column : table.key)
        order.append(order.empty() ? "" : ", ").append(column);
    std::vector<std::string> last; // the key of the last row taken, as the server wrote it: digits
    std::uint64_t limit = firstPageRows;
    for (;;) {
        std::string after;
        // (a, b) > (x, y), written out: a > x OR (a = x AND b > y).
        for (std::size_t i = last.empty() ? table.key.size() : 0; i < table.key.size(); ++i) {
            std::string term;
            for (std::size_t j = 0; j < i; ++j)
                term.append(std::string(table.key[j])).append("=").append(last[j]).append(" AND ");
            term.append(std::string(table.key[i])).append(">").append(last[i]);
            after.append(after.empty() ? "" : " OR ").append("(" + term + ")");
        }
        std::string conditions;
        if (!table.condition.empty())
            conditions = "(" + table.condition + ")";
        if (!after.empty())
            conditions += (conditions.empty() ? "(" : " AND (") + after + ")";
        // The receiver plugin makes the same of the table, the marks, the page's size and the last key.
        std::vector<Parameter> parameters = markedParameters(table, name);
        parameters.emplace_back(static_cast<std::int64_t>(limit));
        std::vector<std::int64_t> lastKey;
        for (const std::string& value : last)
            lastKey.push_back(static_cast<std::int64_t>(std::stoull(value)));
        parameters.emplace_back(std::move(lastKey));
        ResultSet rows = wordPress.read(Query("backup_page",
                                              "SELECT * FROM ?1" + (conditions.empty() ? "" : " WHERE " + conditions) +
                                                  " ORDER BY " + order + " LIMIT ?6",
                                              std::move(parameters)));
        if (!rows)
            return false;
        const std::uint64_t count = rowCount(rows);
        std::uint64_t bytes = 0;
        rewindRows(rows);
        for (std::uint64_t row = 0; row < count; ++row, nextRow(rows)) {
            for (int column = 0; column < rows.columnCount(); ++column) {
                std::optional<std::string_view> value;
                if (readRawField(rows, column, value) && value)
                    bytes += value->size();
            }
        }
        if (taken)
            taken(rows);
        if (!backup.addRows(name, rows)) {
            written = false;
            return false;
        }
        rowsBackedUp += count;
        if (count < limit)
            return true;
        // The cursor stands past the last row: its key is read from there.
        last.assign(table.key.size(), {});
        for (std::size_t i = 0; i < table.key.size(); ++i) {
            if (!readField(rows, std::string(table.key[i]), last[i]) || last[i].empty() ||
                last[i].find_first_not_of("0123456789") != std::string::npos || last[i].size() > 18) {
                wordPress.rememberError(0,
                                        "the key " + std::string(table.key[i]) + " of " + name +
                                            " is not a number of at most 18 digits: its rows cannot be read in pages");
                return false;
            }
        }
        limit = std::clamp<std::uint64_t>(pageBytes / std::max<std::uint64_t>(bytes / count, 1), 16, mostPageRows);
    }
}

} // namespace kestrel
