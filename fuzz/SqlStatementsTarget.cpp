// One statement's text through the lexer and the statement readers. A row read is read again the
// same when its values are written back as a dump writes them.
#include "FuzzTargets.h"
#include "SqlLexer.h"
#include "SqlStatements.h"

#include <string>
#include <vector>

namespace kestrel::fuzz {

namespace {

// A value as mysqldump writes it: NULL, or quoted with real_escape_string's escapes.
std::string dumped(const SqlValue& value)
{
    if (value.null)
        return "NULL";
    std::string text = "'";
    for (const char c : value.bytes) {
        switch (c) {
        case '\0':
            text += "\\0";
            break;
        case '\n':
            text += "\\n";
            break;
        case '\r':
            text += "\\r";
            break;
        case '\\':
        case '\'':
        case '"':
            text += '\\';
            text += c;
            break;
        case '\x1a':
            text += "\\Z";
            break;
        default:
            text += c;
        }
    }
    return text + "'";
}

} // namespace

int sqlStatements(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    SqlLexer lexer(text);
    Token token;
    std::size_t last = 0;
    while (lexer.next(token) && token.kind != Token::Kind::End) {
        expect(token.at >= last && token.at < text.size(), "tokens come in order, inside the text");
        last = token.at;
    }
    if (token.kind != Token::Kind::End)
        expect(lexer.problem().offset <= text.size(), "a literal that fails is placed in the text");

    std::string table;
    const StatementKind kind = statementKind(text, table);
    SqlError error;
    CreateTable create;
    if (parseCreateTable(text, create, error))
        expect(!create.columns.empty(), "a table read has columns");
    InsertRows insert;
    error = {};
    if (!parseInsert(text, insert, error)) {
        expect(error.offset <= text.size(), "an error is placed in the text");
        return 0;
    }
    expect(kind == StatementKind::Insert && table == insert.table, "an insert read is known as one, of its table");
    std::string again = "INSERT INTO t VALUES ";
    for (std::size_t r = 0; r < insert.rows.size(); ++r) {
        const std::vector<SqlValue>& row = insert.rows[r];
        expect(!row.empty(), "a row has values");
        expect(insert.columns.empty() || row.size() == insert.columns.size(),
               "a row has a value for each column named");
        again += r ? ",(" : "(";
        for (std::size_t v = 0; v < row.size(); ++v)
            again += (v ? "," : "") + dumped(row[v]);
        again += ")";
    }
    InsertRows read;
    expect(parseInsert(again, read, error) && read.rows == insert.rows, "rows written back read the same");

    // Read a row at a time, keeping two values: the rest are counted, not kept.
    InsertReader reader(text, error);
    std::vector<std::string> columns;
    expect(reader.readHead(table, columns), "the head of an insert read whole reads");
    std::vector<SqlValue> row;
    std::size_t rows = 0;
    while (reader.readRow(row, 2)) {
        expect(row.size() <= 2 && reader.valuesInRow() == insert.rows[rows].size(), "values past the kept are counted");
        ++rows;
    }
    expect(!reader.failed() && rows == insert.rows.size(), "row by row gives every row");
    return 0;
}

} // namespace kestrel::fuzz
