#pragma once

#include "BackupProblem.h"
#include "SqlStatements.h"
#include "StatementReader.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// A table of the blog as the backup holds it.
struct BackupTable
{
    std::string name;                                        // with its prefix
    std::shared_ptr<const std::vector<std::string>> columns; // its CREATE TABLE's; none when the file has none
    std::string charset;
    std::int64_t rows = 0;
    // Where its rows are: from its first INSERT to the end of its last.
    std::uint64_t firstOffset = 0;
    TextPosition firstAt;
    std::string delimiter = ";"; // in effect there
    std::uint64_t endOffset = 0;
};

// One row as the backup wrote it, its values named by the INSERT's column list or the table's order.
struct BackupRow
{
    // Shared with its statement or table: a row kept past its statement still names its columns.
    std::shared_ptr<const std::vector<std::string>> columns;
    std::vector<SqlValue> values;
    std::int64_t number = 0; // in its table, from 1
    TextPosition at;         // of its INSERT

    // The value of a column, or nothing when the row has no such column.
    const SqlValue* value(std::string_view column) const;
};

// The values of one column, packed: a kept id costs its digits and an offset, not a string of its own.
class KeptValues
{
public:
    void push_back(std::string_view value)
    {
        m_bytes.append(value);
        m_ends.push_back(m_bytes.size());
    }
    std::size_t size() const noexcept { return m_ends.size(); }
    std::string_view operator[](std::size_t i) const
    {
        const std::size_t begin = i == 0 ? 0 : m_ends[i - 1];
        return std::string_view(m_bytes).substr(begin, m_ends[i] - begin);
    }

private:
    std::string m_bytes;
    std::vector<std::size_t> m_ends;
};

// A backup read without a server: a first pass reads every statement, checks
// each of the blog's values and finds where each table's rows are; then each
// table is read again from there when its rows are wanted. Only one statement, and
// one of its rows, is held at a time, and a statement no further than largestStatement,
// so a file of several GB is read in little memory.
class BackupFile
{
public:
    // The first pass. `prefix` is used when the file's header names none. The values of the
    // `kept` columns ("table.column", the table without its prefix) are kept from it, in row order,
    // so that a reader wanting only those need not read the table again.
    bool open(const std::string& path, const std::string& prefix, bool acceptTruncated,
              const std::vector<std::string>& kept = {});
    // Asked between the statements of the first pass: true stops it, and open() fails.
    std::function<bool()> stopRequested;
    // Told how far the first pass is (see BackupStream::done), each time it is a percent further.
    std::function<void(std::uint64_t done, std::uint64_t total)> progress;
    // The most text a statement may hold: the max_allowed_packet of the server its rows go to, which a
    // larger one could not pass; 0 when there is none (256 MiB then). A larger statement is read no
    // further: one of the blog's rows refuses the file, or is passed over when it is read anyway
    // (passedOver()); one of other programs' tables is passed over.
    std::uint64_t largestStatement = 0;
    // A kept column's values (NULL as ""), one for each row of the table; none when it was not kept
    // or some row lacks it.
    const KeptValues* keptColumn(const std::string& table, std::string_view column) const;

    // Why open() or forEachRow() failed.
    const BackupProblem& problem() const noexcept { return m_problem; }
    const std::string& path() const noexcept { return m_path; }
    const std::string& prefix() const noexcept { return m_prefix; }
    // The header's "#version:" line, e.g. "emlog pro 2.6.9"; empty for other dumps.
    const std::string& headerVersion() const noexcept { return m_headerVersion; }
    // The blog's tables (those with the prefix), in the file's order.
    const std::vector<BackupTable>& tables() const noexcept { return m_tables; }
    const BackupTable* table(std::string_view name) const;
    const BackupCut& cut() const noexcept { return m_cut; }
    // The blog's statements left out as too large, in a file read anyway.
    const std::vector<PassedOver>& passedOver() const noexcept { return m_passedOver; }

    // Reads a table's rows in the file's order until `work` answers false. False
    // (and error() says why) when the file can no longer be read as it was. `work`
    // may read this or another table itself.
    bool forEachRow(const BackupTable& table, const std::function<bool(const BackupRow&)>& work);

private:
    bool failAt(TextPosition at, BackupProblem problem);
    bool fail(BackupProblem::What what);
    bool readStatement(const Statement& statement, const StatementReader& reader);
    // Reads past a statement too large to hold: nothing when it refuses the file.
    std::optional<StatementReader::Result> passOverLarge(Statement& statement, StatementReader& reader,
                                                         bool acceptTruncated);
    bool checkRow(const BackupTable& table, const BackupRow& row);
    BackupTable& tableNamed(const std::string& name);

    std::string m_path;
    std::string m_prefix;
    std::string m_headerVersion;
    BackupProblem m_problem;
    std::vector<BackupTable> m_tables;
    std::vector<std::string> m_otherTables; // of other programs or prefixes, to suggest a prefix
    BackupCut m_cut;
    std::vector<PassedOver> m_passedOver;
    std::uint64_t m_largestStatement = 0; // as the first pass held them, for the later ones
    bool m_emlogHeader = false;
    bool m_endOfBackup = false;
    bool m_dumpHeader = false;
    bool m_dumpCompleted = false;
    std::vector<std::string> m_keptNames;
    std::map<std::string, KeptValues> m_kept; // by "table.column", prefix included
};

} // namespace kestrel
