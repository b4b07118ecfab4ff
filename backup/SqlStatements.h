#pragma once

#include "BackupProblem.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// A value of a row as written in an INSERT: its bytes, or NULL.
struct SqlValue
{
    std::string bytes;
    bool null = false;

    bool operator==(const SqlValue&) const = default;
};

// What went wrong in a statement, at its byte `offset`.
using SqlError = BackupProblem;

struct CreateTable
{
    std::string table;
    std::vector<std::string> columns; // in the table's order
    std::string charset;              // DEFAULT CHARSET, or empty
};

struct InsertRows
{
    std::string table;
    std::vector<std::string> columns; // as listed; empty when the values follow the table's order
    std::vector<std::vector<SqlValue>> rows;
};

// What a statement of a dump is, from its first words, without reading its values.
enum class StatementKind {
    CreateTable,
    Insert,
    Ignored, // SET, LOCK TABLES, DROP TABLE and the like: nothing a backup's rows need
    Unknown
};
StatementKind statementKind(std::string_view text, std::string& table);

bool parseCreateTable(std::string_view text, CreateTable& create, SqlError& error);
// Every row at once: for statements known to be small.
bool parseInsert(std::string_view text, InsertRows& insert, SqlError& error);

class SqlParser;

// An INSERT's rows, read one at a time: a statement of a million rows holds one row besides its text.
class InsertReader
{
public:
    InsertReader(std::string_view text, SqlError& error);
    ~InsertReader();
    InsertReader(const InsertReader&) = delete;
    InsertReader& operator=(const InsertReader&) = delete;

    // Its table and the columns it lists (none when its values follow the table's order); false, and
    // the error says why, when it cannot be read.
    bool readHead(std::string& table, std::vector<std::string>& columns);
    // The next row, of which `most` values at most are kept (0: all of them); valuesInRow() counts
    // them all. False after the last row, and on an error (failed()).
    bool readRow(std::vector<SqlValue>& row, std::size_t most = 0);
    std::size_t valuesInRow() const noexcept { return m_values; }
    bool failed() const;

private:
    std::unique_ptr<SqlParser> m_parser;
    std::size_t m_listed = 0; // the columns listed
    bool m_more = true;       // whether a row may follow
    std::size_t m_values = 0;
};

} // namespace kestrel
