#pragma once

#include "BackupProblem.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrel {

// One token of a statement's text, as MySQL reads it with its default sql_mode.
struct Token
{
    enum class Kind {
        End,
        Word,   // a bare name or keyword, as written
        Name,   // a `backquoted` name, unquoted
        String, // a quoted text or a hex/_binary literal: its bytes
        Number, // digits, a point, an exponent, as written
        Symbol, // any other single character
    };
    Kind kind = Kind::End;
    std::string text;
    std::size_t at = 0; // byte index in the statement

    bool isWord(std::string_view word) const; // ASCII case-insensitive
    bool isSymbol(char symbol) const { return kind == Kind::Symbol && text.size() == 1 && text[0] == symbol; }
};

// Reads a statement's text token by token. A literal it cannot read stops it
// with an error and the index of the byte where that literal began.
class SqlLexer
{
public:
    explicit SqlLexer(std::string_view text) : m_text(text) {}

    // False on an error; `token` is then of kind End.
    bool next(Token& token);
    // After a false next(): what went wrong, at its byte in the statement (offset).
    const BackupProblem& problem() const noexcept { return m_problem; }

private:
    bool fail(std::size_t at, BackupProblem::What what, char quote = 0);
    bool readQuoted(Token& token, char quote);
    bool readHex(Token& token, std::string_view digits, std::size_t at);

    std::string_view m_text;
    std::size_t m_at = 0;
    BackupProblem m_problem;
};

} // namespace kestrel
