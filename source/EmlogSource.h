#pragma once

#include "EmlogRow.h"
#include "Kinds.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrel {

// How a migration reads its kind's table: the rest once per row, and the order.
struct TableReading
{
    Kind kind;
    std::chrono::milliseconds pacing{0}; // rest once per row
    // When set, a row comes after the row it names in this column (a reply after
    // the comment it answers, a page after its parent); otherwise the table's order.
    std::string_view parentColumn = {};
    // Called before the source waits for more rows (the next page from emlog's server): what the
    // caller holds may go meanwhile.
    std::function<void()> waiting = {};
};

// One column of every row of an emlog table, with each row's id.
using EmlogValues = std::vector<std::pair<std::int64_t, std::string>>;

// A read a migration is about to make of emlog, named as it will ask for it, to read it ahead.
struct EmlogRead
{
    enum class What {
        Columns,     // columns(table, names[0], names[1])
        Table,       // readTable(table, names)
        Option,      // option(table): the option's name
        HasTable,    // hasTable(table)
        HasColumn,   // hasColumn(table, ...): the table's columns
        ParentOrder, // forEachRow() of the kind whose table it is, names[0] its parent column
        FirstRows,   // forEachRow() of the kind whose table it is, read without a parent column
    };
    What what;
    std::string table;
    std::vector<std::string> names = {};
};

// Where emlog's rows come from: its server, or its backup file read once through. Both give the
// same rows in the same order; a read that fails says so, and is never taken for an empty table.
// Tables are named bare ("blog"): the source knows the prefix.
class EmlogSource
{
public:
    virtual ~EmlogSource() = default;

    // A kind's table for its migration: for each row the caller's work, the pacing and the
    // progress. A stop request ends it between rows. False when the table could not be read,
    // which is then recorded and the kind marked unreadable.
    virtual bool forEachRow(const TableReading& reading, const std::function<void(const EmlogRow&)>& work) = 0;
    // Every row of a table, without progress or pacing, with at least the columns named (all when
    // none are); false when it cannot be read.
    virtual bool readTable(std::string_view table, const std::vector<std::string>& columns,
                           const std::function<void(const EmlogRow&)>& work) = 0;
    // The rows of a table with these ids (in no set order), with at least the columns named; false
    // when they cannot be read. By default every row is read and those asked for kept.
    virtual bool rowsById(std::string_view table, std::string_view idColumn, const std::vector<std::int64_t>& ids,
                          const std::vector<std::string>& columns, const std::function<void(const EmlogRow&)>& work);
    // One column of every row, with its id; nothing when it cannot be read.
    virtual std::optional<EmlogValues> columns(std::string_view table, std::string_view idColumn,
                                               std::string_view column) = 0;
    // The largest id of a table (0 for none); nothing when it cannot be read.
    virtual std::optional<std::int64_t> largestId(std::string_view table, std::string_view idColumn) = 0;
    // Whether the blog has the table; nothing when that cannot be asked.
    virtual std::optional<bool> hasTable(std::string_view table) = 0;
    // Whether the blog's table has the column, which emlog's older versions lack (a table the blog
    // lacks has none); nothing when that cannot be asked.
    virtual std::optional<bool> hasColumn(std::string_view table, std::string_view column) = 0;
    // Whether the table can be read before anything is deleted: false, with `why`, when it
    // cannot. A file cut before the table counts as readable: the report names what it lacks.
    virtual bool readable(std::string_view table, std::string& why) = 0;
    // An option of emlog's options table. `value` is nothing when the blog has no such option;
    // false when the options cannot be read.
    virtual bool option(std::string_view name, std::optional<std::string>& value) = 0;
    // Reads ahead, several to an exchange where the source can, the first part of each read given
    // (the first page of a table): the same reads made after take their rows from there, as long as
    // nothing else is asked in between. By default nothing is read ahead.
    virtual void readAhead(const std::vector<EmlogRead>& reads) { (void)reads; }
    // The table's full name, for the report.
    virtual std::string tableName(std::string_view table) const = 0;
    // Why the last read failed: the server's error number and text, or the file's reason.
    virtual std::string lastError() const = 0;
};

// emlog's own address, its option blogurl, without a closing "/"; empty when it has none or it
// cannot be read.
std::string emlogBlogUrl(EmlogSource& source);

// Whether the database is emlog 2.x's, which kept its settings in one row of `config` and had no
// categories (`sort`): its tables are not read, emlog's own upgrade to 3.0 must come first.
bool isEmlogTwo(EmlogSource& source);

} // namespace kestrel
