#pragma once

#include "BackupProblem.h"

#include <cstddef>
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
bool parseInsert(std::string_view text, InsertRows& insert, SqlError& error);

} // namespace kestrel
