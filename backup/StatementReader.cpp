#include "StatementReader.h"

#include "ByteScan.h"

#include <algorithm>

namespace kestrel {

namespace {

constexpr std::size_t bufferSize = 1 << 20;
constexpr std::size_t commentKept = 200;

bool isContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// A comment's text without the second '-' of "--" and the blanks around it.
std::string_view trimmedComment(std::string_view comment)
{
    if (comment.starts_with('-'))
        comment.remove_prefix(1);
    while (!comment.empty() && isBlank(comment.front()))
        comment.remove_prefix(1);
    while (!comment.empty() && isBlank(comment.back()))
        comment.remove_suffix(1);
    return comment;
}

} // namespace

TextPosition Statement::positionOf(std::size_t index) const
{
    TextPosition position = start;
    for (std::size_t i = 0; i < index && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++position.line;
            position.column = 1;
        } else if (!isContinuation(text[i])) {
            ++position.column;
        }
    }
    return position;
}

StatementReader::StatementReader(BackupStream& stream, std::uint64_t offset, TextPosition position,
                                 std::string delimiter)
    : m_stream(stream), m_buffer(bufferSize), m_offset(offset), m_position(position), m_delimiter(std::move(delimiter))
{
}

bool StatementReader::fill(std::size_t wanted)
{
    if (m_size - m_at >= wanted)
        return true;
    // The bytes not yet taken move to the front, so that a "--" or "/*" across two reads is still seen.
    std::copy(m_buffer.begin() + static_cast<std::ptrdiff_t>(m_at),
              m_buffer.begin() + static_cast<std::ptrdiff_t>(m_size), m_buffer.begin());
    m_size -= m_at;
    m_at = 0;
    while (m_size < wanted) {
        const std::size_t got = m_stream.read(m_buffer.data() + m_size, m_buffer.size() - m_size);
        if (got == 0)
            break;
        m_size += got;
    }
    return m_size > 0;
}

bool StatementReader::atDelimiter()
{
    if (m_delimiter.size() == 1)
        return true;
    return fill(m_delimiter.size()) && m_size - m_at >= m_delimiter.size() &&
           std::string_view(m_buffer.data() + m_at, m_delimiter.size()) == m_delimiter;
}

bool StatementReader::readDelimiterCommand()
{
    // The client's own command, on a line of its own: "DELIMITER ;;" around a dump's triggers and routines.
    constexpr std::string_view command = "delimiter";
    if (!fill(command.size() + 1) || m_size - m_at < command.size() + 1 || !isBlank(m_buffer[m_at + command.size()]))
        return false;
    for (std::size_t i = 0; i < command.size(); ++i) {
        if ((m_buffer[m_at + i] | 0x20) != command[i])
            return false;
    }
    const TextPosition at = m_position;
    std::string line;
    while (fill(1) && m_buffer[m_at] != '\n') {
        line += m_buffer[m_at];
        advance(m_buffer[m_at]);
        ++m_at;
    }
    std::size_t begin = command.size();
    while (begin < line.size() && isBlank(line[begin]))
        ++begin;
    std::size_t end = begin;
    while (end < line.size() && !isBlank(line[end]))
        ++end;
    std::string delimiter = line.substr(begin, end - begin);
    if (delimiter.empty() || delimiter.find_first_of("'\"`\\") != std::string::npos) {
        m_problem.what = BackupProblem::What::DelimiterQuoted;
        m_problem.placed = true;
        m_problem.at = at;
    } else {
        m_delimiter = std::move(delimiter);
    }
    return true;
}

void StatementReader::advance(char c)
{
    ++m_offset;
    if (c == '\n') {
        ++m_position.line;
        m_position.column = 1;
    } else if (!isContinuation(c)) {
        ++m_position.column;
    }
}

StatementReader::Result StatementReader::next(Statement& statement)
{
    statement.text.clear();
    State state = State::Code;
    char quote = 0;
    bool escaped = false;
    TextPosition quoteAt;
    bool commentStartsLine = false;
    std::string comment;
    std::size_t commentBytes = 0;
    char previous = 0;
    bool started = false;

    for (;;) {
        if (!fill(3))
            break;
        if (state == State::Quoted && !escaped) {
            // Most of a dump is the text inside quotes: take what holds no quote, backslash or newline at once.
            const char* bytes = m_buffer.data();
            std::uint64_t characters = 0;
            const std::size_t end = findAnyOf(bytes, m_at, m_size, quote, '\\', '\n', &characters);
            if (end > m_at) {
                statement.text.append(bytes + m_at, end - m_at);
                m_position.column += characters;
                m_offset += end - m_at;
                previous = m_buffer[end - 1];
                m_at = end;
                continue;
            }
        }
        const char c = m_buffer[m_at];
        const char after = m_at + 1 < m_size ? m_buffer[m_at + 1] : 0;
        const char third = m_at + 2 < m_size ? m_buffer[m_at + 2] : 0;
        switch (state) {
        case State::Code:
            if (!started && isBlank(c))
                break;
            if (c == '#' || (c == '-' && after == '-' && (third == 0 || isBlank(third)))) {
                // As the server reads it: "--" opens a comment only before a blank.
                state = State::LineComment;
                commentStartsLine = !started && m_position.column == 1;
                comment.clear();
                statement.text += started ? " " : "";
                break;
            }
            if (c == '/' && after == '*') {
                state = State::BlockComment;
                commentBytes = 0;
                if (started)
                    statement.text += ' ';
                break;
            }
            if (!started && (c == 'D' || c == 'd') && readDelimiterCommand()) {
                if (m_problem)
                    return Result::Error;
                continue;
            }
            if (c == m_delimiter[0] && atDelimiter()) {
                for (std::size_t i = 0; i < m_delimiter.size(); ++i) {
                    advance(m_buffer[m_at]);
                    ++m_at;
                }
                if (!started)
                    continue; // what stood before it was only comments
                statement.end = m_position;
                return Result::Statement;
            }
            if (!started) {
                started = true;
                statement.offset = m_offset;
                statement.start = m_position;
            }
            if (c == '\'' || c == '"' || c == '`') {
                state = State::Quoted;
                quote = c;
                quoteAt = m_position;
                escaped = false;
            }
            statement.text += c;
            break;
        case State::Quoted:
            if (c == '\n') {
                m_problem.what = BackupProblem::What::QuoteNotClosedOnLine;
                m_problem.text = std::string(1, quote);
                m_problem.placed = true;
                m_problem.at = quoteAt;
                return Result::Error;
            }
            statement.text += c;
            if (escaped)
                escaped = false;
            else if (c == '\\' && quote != '`')
                escaped = true;
            else if (c == quote)
                state = State::Code; // a doubled quote closes and opens again
            break;
        case State::LineComment:
            if (c == '\n') {
                state = State::Code;
                if (started)
                    statement.text += '\n';
                else if (commentStartsLine && onLineComment)
                    onLineComment(trimmedComment(comment));
            } else if (comment.size() < commentKept) {
                comment += c;
            }
            break;
        case State::BlockComment:
            if (c == '\n' && started)
                statement.text += '\n';
            // "/*/" does not close: the '*' must come after the opening two bytes.
            if (c == '/' && previous == '*' && commentBytes >= 3)
                state = State::Code;
            ++commentBytes;
            break;
        }
        previous = c;
        advance(c);
        ++m_at;
    }
    if (state == State::LineComment && !started && commentStartsLine && onLineComment)
        onLineComment(trimmedComment(comment));
    if (m_stream.failed() && !m_stream.cutShort()) {
        m_problem = m_stream.problem();
        m_problem.placed = true;
        m_problem.at = m_position;
        return Result::Error;
    }
    if (started || state == State::Quoted || state == State::BlockComment || m_stream.cutShort()) {
        m_cut = true;
        m_cutAt = started ? statement.start : m_position;
    }
    return Result::End;
}

} // namespace kestrel
