#include "SqlLexer.h"

#include "ByteScan.h"
#include "HexDigit.h"

namespace kestrel {

namespace {

bool isWordByte(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The byte a backslash escape stands for, as the server reads it; \% and \_ keep their backslash.
std::string_view unescaped(char c)
{
    switch (c) {
    case '0':
        return std::string_view("\0", 1);
    case 'b':
        return "\b";
    case 'n':
        return "\n";
    case 'r':
        return "\r";
    case 't':
        return "\t";
    case 'Z':
        return "\x1a";
    case '%':
        return "\\%";
    case '_':
        return "\\_";
    default:
        return {};
    }
}

} // namespace

bool Token::isWord(std::string_view word) const
{
    if (kind != Kind::Word || text.size() != word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (lower(text[i]) != lower(word[i]))
            return false;
    }
    return true;
}

bool SqlLexer::fail(std::size_t at, BackupProblem::What what, char quote)
{
    m_problem.what = what;
    m_problem.text = quote ? std::string(1, quote) : std::string();
    m_problem.offset = at;
    m_at = m_text.size();
    return false;
}

bool SqlLexer::readQuoted(Token& token, char quote)
{
    const std::size_t opening = m_at++;
    token.text.clear();
    for (;;) {
        if (m_at >= m_text.size())
            return fail(opening, BackupProblem::What::QuoteNotClosed, quote);
        // Most of a value is plain text: scanned to its next quote or backslash in one loop.
        const char escape = quote == '`' ? quote : '\\';
        const std::size_t plain = findAnyOf(m_text.data(), m_at, m_text.size(), quote, escape, escape);
        if (plain == m_text.size())
            return fail(opening, BackupProblem::What::QuoteNotClosed, quote);
        token.text.append(m_text.substr(m_at, plain - m_at));
        m_at = plain;
        const char c = m_text[m_at++];
        if (c == quote) {
            if (m_at < m_text.size() && m_text[m_at] == quote) { // a doubled quote is one
                token.text += quote;
                ++m_at;
                continue;
            }
            return true;
        }
        if (c == '\\' && quote != '`') {
            if (m_at >= m_text.size())
                return fail(opening, BackupProblem::What::QuoteNotClosed, quote);
            const char escaped = m_text[m_at++];
            const std::string_view bytes = unescaped(escaped);
            if (bytes.empty())
                token.text += escaped;
            else
                token.text += bytes;
            continue;
        }
        token.text += c;
    }
}

bool SqlLexer::readHex(Token& token, std::string_view digits, std::size_t at)
{
    // 0x and X'' give whole bytes; an odd count of digits has an implied leading zero.
    token.kind = Token::Kind::String;
    token.text.clear();
    std::size_t i = 0;
    int high = -1;
    if (digits.size() % 2 == 1)
        high = 0;
    for (; i < digits.size(); ++i) {
        const int value = hexValue(digits[i]);
        if (value < 0)
            return fail(at, BackupProblem::What::NotHexDigit);
        if (high < 0) {
            high = value;
        } else {
            token.text += static_cast<char>(high * 16 + value);
            high = -1;
        }
    }
    return true;
}

bool SqlLexer::next(Token& token)
{
    while (m_at < m_text.size() && (m_text[m_at] == ' ' || (m_text[m_at] >= '\t' && m_text[m_at] <= '\r')))
        ++m_at;
    token.at = m_at;
    token.text.clear();
    if (m_at >= m_text.size()) {
        token.kind = Token::Kind::End;
        return true;
    }
    const char c = m_text[m_at];
    const char after = m_at + 1 < m_text.size() ? m_text[m_at + 1] : 0;

    if (c == '\'' || c == '"') {
        token.kind = Token::Kind::String;
        return readQuoted(token, c);
    }
    if (c == '`') {
        token.kind = Token::Kind::Name;
        return readQuoted(token, c);
    }
    if ((c == 'x' || c == 'X') && after == '\'') {
        const std::size_t at = m_at;
        const std::size_t close = m_text.find('\'', m_at + 2);
        if (close == std::string_view::npos)
            return fail(at, BackupProblem::What::QuoteNotClosed, '\'');
        m_at = close + 1;
        if ((close - at - 2) % 2 != 0)
            return fail(at, BackupProblem::What::OddHexDigits);
        return readHex(token, m_text.substr(at + 2, close - at - 2), at);
    }
    if (c == '0' && (after == 'x' || after == 'X')) {
        const std::size_t at = m_at;
        m_at += 2;
        while (m_at < m_text.size() && isWordByte(m_text[m_at]))
            ++m_at;
        return readHex(token, m_text.substr(at + 2, m_at - at - 2), at);
    }
    if (isDigit(c) || (c == '.' && isDigit(after))) {
        token.kind = Token::Kind::Number;
        const std::size_t at = m_at;
        while (m_at < m_text.size() && (isDigit(m_text[m_at]) || m_text[m_at] == '.'))
            ++m_at;
        if (m_at < m_text.size() && (m_text[m_at] == 'e' || m_text[m_at] == 'E')) {
            ++m_at;
            if (m_at < m_text.size() && (m_text[m_at] == '+' || m_text[m_at] == '-'))
                ++m_at;
            while (m_at < m_text.size() && isDigit(m_text[m_at]))
                ++m_at;
        }
        if (m_at < m_text.size() && isWordByte(m_text[m_at]))
            return fail(at, BackupProblem::What::LetterAfterNumber);
        token.text.assign(m_text.substr(at, m_at - at));
        return true;
    }
    if (isWordByte(c)) {
        const std::size_t at = m_at;
        while (m_at < m_text.size() && isWordByte(m_text[m_at]))
            ++m_at;
        token.kind = Token::Kind::Word;
        token.text.assign(m_text.substr(at, m_at - at));
        // A character set introducer (_binary, _utf8mb4) before a literal leaves its bytes as they are.
        if (token.text.size() > 1 && token.text[0] == '_') {
            const std::size_t saved = m_at;
            Token literal;
            if (!next(literal))
                return false;
            if (literal.kind == Token::Kind::String) {
                token = std::move(literal);
                token.at = at;
                return true;
            }
            m_at = saved;
        }
        return true;
    }
    token.kind = Token::Kind::Symbol;
    token.text.assign(1, c);
    ++m_at;
    return true;
}

} // namespace kestrel
