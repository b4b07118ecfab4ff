#include "BackupFile.h"

#include "BackupStream.h"
#include "Utf8.h"

#include <algorithm>

namespace kestrel {

namespace {

bool startsWith(std::string_view text, std::string_view start)
{
    return text.substr(0, start.size()) == start;
}

// A prefix goes into table names as it is: only what a bare name may hold.
bool isPlainName(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$';
    });
}

} // namespace

const SqlValue* BackupRow::value(std::string_view column) const
{
    if (!columns)
        return nullptr;
    for (std::size_t i = 0; i < columns->size() && i < values.size(); ++i) {
        if ((*columns)[i] == column)
            return &values[i];
    }
    return nullptr;
}

const BackupTable* BackupFile::table(std::string_view name) const
{
    for (const BackupTable& table : m_tables) {
        if (table.name == name)
            return &table;
    }
    return nullptr;
}

BackupTable& BackupFile::tableNamed(const std::string& name)
{
    for (BackupTable& table : m_tables) {
        if (table.name == name)
            return table;
    }
    BackupTable& table = m_tables.emplace_back();
    table.name = name;
    return table;
}

bool BackupFile::failAt(TextPosition at, BackupProblem problem)
{
    m_problem = std::move(problem);
    m_problem.path = m_path;
    m_problem.placed = true;
    m_problem.at = at;
    return false;
}

bool BackupFile::fail(BackupProblem::What what)
{
    m_problem = {};
    m_problem.what = what;
    m_problem.path = m_path;
    return false;
}

bool BackupFile::checkRow(const BackupTable& table, const BackupRow& row)
{
    for (std::size_t i = 0; i < row.values.size(); ++i) {
        const std::size_t bad = invalidUtf8At(row.values[i].bytes);
        if (bad == std::string_view::npos)
            continue;
        BackupProblem problem;
        problem.what = BackupProblem::What::NotUtf8;
        problem.table = table.name;
        problem.row = row.number;
        problem.column = row.columns && i < row.columns->size() ? (*row.columns)[i] : std::to_string(i + 1);
        if (row.columns && !row.columns->empty() && !row.values.empty()) {
            problem.idColumn = row.columns->front();
            problem.idValue = row.values.front().bytes;
        }
        problem.byte = bad + 1;
        return failAt(row.at, std::move(problem));
    }
    return true;
}

bool BackupFile::readStatement(const Statement& statement, const StatementReader& reader)
{
    std::string name;
    SqlError error;
    switch (statementKind(statement.text, name)) {
    case StatementKind::Ignored:
        return true;
    case StatementKind::Unknown: {
        BackupProblem problem;
        problem.what = BackupProblem::What::UnknownStatement;
        problem.text = statement.text.substr(0, 60);
        return failAt(statement.start, std::move(problem));
    }
    case StatementKind::CreateTable: {
        if (!startsWith(name, m_prefix)) {
            m_otherTables.push_back(name);
            return true;
        }
        CreateTable create;
        if (!parseCreateTable(statement.text, create, error))
            return failAt(statement.positionOf(error.offset), std::move(error));
        BackupTable& table = tableNamed(create.table);
        table.columns = std::make_shared<const std::vector<std::string>>(std::move(create.columns));
        table.charset = create.charset;
        return true;
    }
    case StatementKind::Insert:
        break;
    }
    if (!startsWith(name, m_prefix))
        return true;
    InsertReader insert(statement.text, error);
    std::vector<std::string> listed;
    if (!insert.readHead(name, listed))
        return failAt(statement.positionOf(error.offset), std::move(error));
    BackupTable& table = tableNamed(name);
    const std::shared_ptr<const std::vector<std::string>> columns =
        listed.empty() ? table.columns : std::make_shared<const std::vector<std::string>>(std::move(listed));
    if (!columns) {
        BackupProblem problem;
        problem.what = BackupProblem::What::InsertWithoutColumns;
        problem.table = table.name;
        return failAt(statement.start, std::move(problem));
    }
    if (table.rows == 0) {
        table.firstOffset = statement.offset;
        table.firstAt = statement.start;
        table.delimiter = reader.delimiter();
    }
    table.endOffset = reader.offset();
    // Where each kept column of this table stands in the rows of this statement.
    std::vector<std::pair<KeptValues*, std::size_t>> keep;
    for (const std::string& name : m_keptNames) {
        const std::string_view kept = name;
        const std::size_t dot = kept.find('.');
        const std::string_view bare = kept.substr(0, dot);
        if (table.name.size() != m_prefix.size() + bare.size() || !table.name.ends_with(bare))
            continue; // the table's name starts with the prefix: it would not be read otherwise
        const auto at = std::find(columns->begin(), columns->end(), kept.substr(dot + 1));
        if (at != columns->end())
            keep.emplace_back(&m_kept[m_prefix + name], static_cast<std::size_t>(at - columns->begin()));
    }
    BackupRow row;
    row.columns = columns;
    row.at = statement.start;
    // Row by row: a statement of many rows holds one of them, and a row of too many values no more
    // of them than the table has columns.
    while (insert.readRow(row.values, columns->size())) {
        row.number = ++table.rows;
        if (insert.valuesInRow() != columns->size()) {
            BackupProblem problem;
            problem.what = BackupProblem::What::TableValueCount;
            problem.table = table.name;
            problem.row = row.number;
            problem.count = insert.valuesInRow();
            problem.expected = columns->size();
            return failAt(statement.start, std::move(problem));
        }
        if (!checkRow(table, row))
            return false;
        for (const auto& [kept, at] : keep)
            kept->push_back(row.values[at].bytes);
    }
    if (insert.failed())
        return failAt(statement.positionOf(error.offset), std::move(error));
    return true;
}

std::optional<StatementReader::Result> BackupFile::passOverLarge(Statement& statement, StatementReader& reader,
                                                                 bool acceptTruncated)
{
    std::string name;
    const StatementKind kind = statementKind(statement.text, name);
    const bool named = kind == StatementKind::Insert || kind == StatementKind::CreateTable;
    const bool blogs = named && startsWith(name, m_prefix);
    // Another program's statement, or one the reader passes over anyway, is nothing to the blog. Of the
    // blog's, only rows may be left out, and only when the file is read anyway.
    if (!(kind == StatementKind::Ignored || (named && !blogs) ||
          (blogs && kind == StatementKind::Insert && acceptTruncated))) {
        BackupProblem problem;
        problem.what = BackupProblem::What::StatementTooLarge;
        problem.table = blogs ? name : std::string();
        problem.count = reader.largestStatement();
        failAt(statement.start, std::move(problem));
        return std::nullopt;
    }
    if (blogs) {
        tableNamed(name);
        m_passedOver.push_back({statement.start, name, 0, reader.largestStatement()});
    }
    const StatementReader::Result result = reader.passOver(statement);
    if (blogs && result == StatementReader::Result::Statement)
        m_passedOver.back().bytes = statement.bytes;
    else if (blogs)
        m_passedOver.pop_back(); // cut short in it: the cut names it
    return result;
}

const KeptValues* BackupFile::keptColumn(const std::string& table, std::string_view column) const
{
    const auto found = m_kept.find(table + "." + std::string(column));
    const BackupTable* rows = this->table(table);
    // A statement that named other columns left this one without some of its values.
    if (found == m_kept.end() || !rows || found->second.size() != static_cast<std::size_t>(rows->rows))
        return nullptr;
    return &found->second;
}

bool BackupFile::open(const std::string& path, const std::string& prefix, bool acceptTruncated,
                      const std::vector<std::string>& kept)
{
    std::function<bool()> stop = std::move(stopRequested);
    std::function<void(std::uint64_t, std::uint64_t)> told = std::move(progress);
    const std::uint64_t largest = largestStatement;
    *this = BackupFile();
    stopRequested = std::move(stop);
    progress = std::move(told);
    largestStatement = largest;
    m_keptNames = kept;
    m_path = path;
    m_prefix = prefix;
    BackupStream stream;
    if (!stream.open(path)) {
        m_problem = stream.problem();
        return false;
    }
    StatementReader reader(stream);
    if (largestStatement != 0)
        reader.setLargestStatement(largestStatement);
    m_largestStatement = reader.largestStatement();
    reader.onLineComment = [this](std::string_view comment) {
        if (startsWith(comment, "version:")) {
            m_emlogHeader = true;
            m_headerVersion = comment.substr(8);
        } else if (startsWith(comment, "tableprefix:") && m_tables.empty() && isPlainName(comment.substr(12))) {
            m_prefix = comment.substr(12);
        } else if (comment == "the end of backup") {
            m_endOfBackup = true;
        } else if (startsWith(comment, "MySQL dump") || startsWith(comment, "MariaDB dump")) {
            m_dumpHeader = true;
        } else if (startsWith(comment, "Dump completed")) {
            m_dumpCompleted = true;
        }
    };
    Statement statement;
    std::uint64_t percentTold = 0;
    for (;;) {
        if (stopRequested && stopRequested()) {
            return fail(BackupProblem::What::Stopped);
        }
        if (const std::uint64_t total = stream.total(); progress && total > 0) {
            const std::uint64_t done = std::min(stream.done(), total);
            if (const std::uint64_t percent = done * 100 / total; percent > percentTold) {
                percentTold = percent;
                progress(done, total);
            }
        }
        StatementReader::Result result = reader.next(statement);
        if (result == StatementReader::Result::TooLarge) {
            const std::optional<StatementReader::Result> passed = passOverLarge(statement, reader, acceptTruncated);
            if (!passed)
                return false;
            if (*passed == StatementReader::Result::Statement)
                continue;
            result = *passed;
        }
        if (result == StatementReader::Result::Error) {
            BackupProblem problem = reader.problem();
            // Text that stopped being SQL inside one of the blog's statements: whose rows those were.
            std::string table;
            if (problem.what == BackupProblem::What::ExpandsTooFar &&
                statementKind(statement.text, table) != StatementKind::Unknown && startsWith(table, m_prefix))
                problem.table = table;
            return failAt(problem.at, std::move(problem));
        }
        if (result == StatementReader::Result::End)
            break;
        if (!readStatement(statement, reader))
            return false;
    }

    if (reader.cut()) {
        m_cut.cut = true;
        m_cut.how = BackupCut::How::InAStatement;
        m_cut.at = reader.cutAt();
        std::string table;
        if (statementKind(statement.text, table) == StatementKind::Insert && startsWith(table, m_prefix))
            m_cut.lostTable = table;
    } else if ((m_emlogHeader && !m_endOfBackup) || (m_dumpHeader && !m_dumpCompleted)) {
        m_cut.cut = true;
        m_cut.how = m_emlogHeader ? BackupCut::How::NoEndOfBackup : BackupCut::How::NoDumpCompleted;
    }
    if (m_cut.cut && !acceptTruncated) {
        fail(BackupProblem::What::Truncated);
        m_problem.cut = m_cut;
        return false;
    }
    if (!table(m_prefix + "blog")) {
        fail(BackupProblem::What::NoTables);
        m_problem.prefix = m_prefix;
        // One of emlog's tables under another prefix, to suggest that one.
        for (const std::string& other : m_otherTables) {
            if (other.size() > 4 && other.ends_with("blog")) {
                m_problem.otherTable = other;
                break;
            }
        }
        return false;
    }
    return true;
}

bool BackupFile::forEachRow(const BackupTable& table, const std::function<bool(const BackupRow&)>& work)
{
    if (table.rows == 0)
        return true;
    BackupStream stream;
    if (!stream.open(m_path) || !stream.skip(table.firstOffset)) {
        if (stream.failed())
            m_problem = stream.problem();
        else
            fail(BackupProblem::What::Moved);
        return false;
    }
    StatementReader reader(stream, table.firstOffset, table.firstAt, table.delimiter);
    reader.setLargestStatement(m_largestStatement);
    Statement statement;
    BackupRow row;
    std::vector<std::string> listed;
    std::int64_t number = 0;
    std::string name;
    SqlError error;
    while (reader.offset() < table.endOffset) {
        StatementReader::Result result = reader.next(statement);
        // Passed over in the first pass too, which went on only when the file was to be read anyway.
        if (result == StatementReader::Result::TooLarge &&
            (result = reader.passOver(statement)) == StatementReader::Result::Statement)
            continue;
        if (result == StatementReader::Result::Error)
            return failAt(reader.problem().at, reader.problem());
        if (result != StatementReader::Result::Statement)
            break;
        if (statementKind(statement.text, name) != StatementKind::Insert || name != table.name)
            continue;
        InsertReader insert(statement.text, error);
        if (!insert.readHead(name, listed))
            return failAt(statement.positionOf(error.offset), std::move(error));
        row.columns =
            listed.empty() ? table.columns : std::make_shared<const std::vector<std::string>>(std::move(listed));
        row.at = statement.start;
        while (insert.readRow(row.values)) {
            row.number = ++number;
            if (!work(row))
                return true;
        }
        if (insert.failed())
            return failAt(statement.positionOf(error.offset), std::move(error));
    }
    if (number != table.rows) {
        fail(BackupProblem::What::RowCountChanged);
        m_problem.table = table.name;
        m_problem.count = static_cast<std::uint64_t>(number);
        m_problem.expected = static_cast<std::uint64_t>(table.rows);
        return false;
    }
    return true;
}

} // namespace kestrel
