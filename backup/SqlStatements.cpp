#include "SqlStatements.h"

#include "SqlLexer.h"

#include <algorithm>
#include <array>

namespace kestrel {

namespace {

// Statements a dump holds around its rows, which a backup reader passes over.
constexpr std::array ignoredFirstWords = {"SET",      "LOCK",     "UNLOCK",    "DROP",     "ALTER", "USE",
                                          "START",    "BEGIN",    "COMMIT",    "ROLLBACK", "FLUSH", "ANALYZE",
                                          "OPTIMIZE", "TRUNCATE", "SAVEPOINT", "RELEASE"};
// Items of a CREATE TABLE that are not columns.
constexpr std::array keyWords = {"PRIMARY", "KEY",        "INDEX",   "UNIQUE", "FULLTEXT",
                                 "SPATIAL", "CONSTRAINT", "FOREIGN", "CHECK",  "PERIOD"};

} // namespace

class SqlParser
{
public:
    SqlParser(std::string_view text, SqlError& error) : m_lexer(text), m_error(error) { advance(); }

    const Token& token() const { return m_token; }
    // The current token's text, taken rather than copied: the token is passed over next.
    std::string takeText() { return std::move(m_token.text); }
    bool failed() const { return m_failed; }

    void advance()
    {
        if (m_failed)
            return;
        if (!m_lexer.next(m_token)) {
            m_failed = true;
            m_error = m_lexer.problem();
        }
    }
    bool fail(BackupProblem::What what, std::string text = {}, std::uint64_t count = 0, std::uint64_t expected = 0)
    {
        if (!m_failed) {
            m_failed = true;
            m_error = {};
            m_error.what = what;
            m_error.offset = m_token.at;
            m_error.text = std::move(text);
            m_error.count = count;
            m_error.expected = expected;
        }
        return false;
    }
    bool acceptWord(std::string_view word)
    {
        if (!m_token.isWord(word))
            return false;
        advance();
        return true;
    }
    bool acceptSymbol(char symbol)
    {
        if (!m_token.isSymbol(symbol))
            return false;
        advance();
        return true;
    }
    bool expectSymbol(char symbol)
    {
        return acceptSymbol(symbol) || fail(BackupProblem::What::Expected, std::string(1, symbol));
    }
    // A table or column name, bare or backquoted; a dotted database name before it is dropped.
    bool name(std::string& out)
    {
        if (m_token.kind != Token::Kind::Name && m_token.kind != Token::Kind::Word)
            return fail(BackupProblem::What::ExpectedName);
        out = m_token.text;
        advance();
        if (m_token.isSymbol('.')) {
            advance();
            return name(out);
        }
        return !m_failed;
    }

private:
    SqlLexer m_lexer;
    Token m_token;
    SqlError& m_error;
    bool m_failed = false;
};

namespace {

using Parser = SqlParser;

bool isAny(const Token& token, const auto& words)
{
    return std::any_of(words.begin(), words.end(), [&](const char* word) { return token.isWord(word); });
}

// Passes over tokens up to the ',' or ')' that closes the current item, through nested parentheses.
void skipItem(Parser& parser)
{
    int depth = 0;
    while (!parser.failed() && parser.token().kind != Token::Kind::End) {
        if (depth == 0 && (parser.token().isSymbol(',') || parser.token().isSymbol(')')))
            return;
        if (parser.token().isSymbol('('))
            ++depth;
        else if (parser.token().isSymbol(')'))
            --depth;
        parser.advance();
    }
}

bool parseValue(Parser& parser, SqlValue& value)
{
    const Token& token = parser.token();
    value.null = false;
    if (token.kind == Token::Kind::String) {
        value.bytes = parser.takeText();
    } else if (token.isWord("NULL")) {
        value.bytes.clear();
        value.null = true;
    } else if (token.kind == Token::Kind::Number) {
        value.bytes = token.text;
    } else if (token.isSymbol('-') || token.isSymbol('+')) {
        const std::string sign = token.text == "-" ? "-" : "";
        parser.advance();
        if (parser.token().kind != Token::Kind::Number)
            return parser.fail(BackupProblem::What::ExpectedDigitAfterSign);
        value.bytes = sign + parser.token().text;
    } else if (token.isWord("TRUE") || token.isWord("FALSE")) {
        // One character, not a literal assigned: GCC 12 reads assigning a literal here as a copy of the
        // string onto itself (-Wrestrict, "accessing 9223372036854775810 or more bytes"), which it is not.
        value.bytes.assign(1, token.isWord("TRUE") ? '1' : '0');
    } else {
        return parser.fail(BackupProblem::What::ExpectedValue);
    }
    parser.advance();
    return !parser.failed();
}

} // namespace

StatementKind statementKind(std::string_view text, std::string& table)
{
    SqlError error;
    Parser parser(text, error);
    table.clear();
    if (parser.token().isWord("INSERT") || parser.token().isWord("REPLACE")) {
        parser.advance();
        while (parser.acceptWord("IGNORE") || parser.acceptWord("LOW_PRIORITY") || parser.acceptWord("DELAYED") ||
               parser.acceptWord("HIGH_PRIORITY"))
            ;
        parser.acceptWord("INTO");
        return parser.name(table) ? StatementKind::Insert : StatementKind::Unknown;
    }
    if (parser.acceptWord("CREATE")) {
        parser.acceptWord("TEMPORARY");
        if (!parser.acceptWord("TABLE"))
            return StatementKind::Ignored; // a database, view, trigger: no rows of a table
        if (parser.acceptWord("IF")) {
            parser.acceptWord("NOT");
            parser.acceptWord("EXISTS");
        }
        return parser.name(table) ? StatementKind::CreateTable : StatementKind::Unknown;
    }
    return isAny(parser.token(), ignoredFirstWords) ? StatementKind::Ignored : StatementKind::Unknown;
}

bool parseCreateTable(std::string_view text, CreateTable& create, SqlError& error)
{
    Parser parser(text, error);
    create = {};
    parser.acceptWord("CREATE");
    parser.acceptWord("TEMPORARY");
    if (!parser.acceptWord("TABLE"))
        return parser.fail(BackupProblem::What::Expected, "CREATE TABLE");
    if (parser.acceptWord("IF") && !(parser.acceptWord("NOT") && parser.acceptWord("EXISTS")))
        return parser.fail(BackupProblem::What::Expected, "IF NOT EXISTS");
    if (!parser.name(create.table) || !parser.expectSymbol('('))
        return false;
    do {
        if (parser.token().kind == Token::Kind::Name ||
            (parser.token().kind == Token::Kind::Word && !isAny(parser.token(), keyWords)))
            create.columns.push_back(parser.token().text);
        skipItem(parser);
    } while (parser.acceptSymbol(','));
    if (!parser.expectSymbol(')'))
        return false;
    // Table options: the character set is all that matters here.
    while (!parser.failed() && parser.token().kind != Token::Kind::End) {
        const bool charset =
            parser.token().isWord("CHARSET") || (parser.token().isWord("SET") && create.charset.empty());
        parser.advance();
        if (charset) {
            parser.acceptSymbol('=');
            if (parser.token().kind == Token::Kind::Word || parser.token().kind == Token::Kind::String)
                create.charset = parser.token().text;
        }
    }
    if (create.columns.empty())
        return parser.fail(BackupProblem::What::CreateTableWithoutColumns);
    return !parser.failed();
}

bool parseInsert(std::string_view text, InsertRows& insert, SqlError& error)
{
    InsertReader reader(text, error);
    insert.rows.clear();
    if (!reader.readHead(insert.table, insert.columns))
        return false;
    while (reader.readRow(insert.rows.emplace_back()))
        ;
    insert.rows.pop_back();
    return !reader.failed();
}

InsertReader::InsertReader(std::string_view text, SqlError& error) : m_parser(std::make_unique<SqlParser>(text, error))
{
}

InsertReader::~InsertReader() = default;

bool InsertReader::failed() const
{
    return m_parser->failed();
}

bool InsertReader::readHead(std::string& table, std::vector<std::string>& columns)
{
    Parser& parser = *m_parser;
    table.clear();
    columns.clear();
    if (!parser.acceptWord("INSERT") && !parser.acceptWord("REPLACE"))
        return parser.fail(BackupProblem::What::Expected, "INSERT");
    while (parser.acceptWord("IGNORE") || parser.acceptWord("LOW_PRIORITY") || parser.acceptWord("DELAYED") ||
           parser.acceptWord("HIGH_PRIORITY"))
        ;
    parser.acceptWord("INTO");
    if (!parser.name(table))
        return false;
    if (parser.acceptSymbol('(')) {
        do {
            if (!parser.name(columns.emplace_back()))
                return false;
        } while (parser.acceptSymbol(','));
        if (!parser.expectSymbol(')'))
            return false;
    }
    m_listed = columns.size();
    if (!parser.acceptWord("VALUES") && !parser.acceptWord("VALUE"))
        return parser.fail(BackupProblem::What::Expected, "VALUES");
    return true;
}

bool InsertReader::readRow(std::vector<SqlValue>& row, std::size_t most)
{
    Parser& parser = *m_parser;
    m_values = 0;
    if (!m_more || parser.failed() || !parser.expectSymbol('('))
        return false;
    // Values past the most kept are read into one of their own, to be counted.
    SqlValue passed;
    do {
        SqlValue& value = most != 0 && m_values >= most ? passed
                          : m_values < row.size()       ? row[m_values]
                                                        : row.emplace_back();
        if (!parseValue(parser, value))
            return false;
        ++m_values;
    } while (parser.acceptSymbol(','));
    row.resize(most != 0 ? std::min(m_values, most) : m_values);
    if (!parser.expectSymbol(')'))
        return false;
    if (m_listed != 0 && m_values != m_listed)
        return parser.fail(BackupProblem::What::RowValueCount, {}, m_values, m_listed);
    m_more = parser.acceptSymbol(',');
    if (m_more)
        return true;
    // phpMyAdmin can add what to do with a row already there: the file's rows are what count.
    if (parser.token().isWord("ON")) {
        parser.advance();
        if (!parser.acceptWord("DUPLICATE") || !parser.acceptWord("KEY") || !parser.acceptWord("UPDATE"))
            return parser.fail(BackupProblem::What::Expected, "ON DUPLICATE KEY UPDATE");
        while (!parser.failed() && parser.token().kind != Token::Kind::End)
            parser.advance();
    }
    if (parser.token().kind != Token::Kind::End)
        return parser.fail(BackupProblem::What::TextAfterValues);
    return !parser.failed();
}

} // namespace kestrel
