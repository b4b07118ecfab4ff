#include "StatementReader.h"

#include "ByteScan.h"

#include <algorithm>

namespace kestrel {

namespace {

constexpr std::size_t largestBuffer = 1 << 20;
constexpr std::size_t commentKept = 200;
// The largest max_allowed_packet a server takes, and what a statement may hold without one named.
constexpr std::uint64_t mostStatement = std::uint64_t(1) << 30;
constexpr std::uint64_t defaultStatement = std::uint64_t(256) << 20;
// Of a statement too large, what is kept: enough for its first words and its table's name.
constexpr std::size_t largeStatementKept = 4096;
// The mariadb client's own limit on a delimiter, and on what is kept of a DELIMITER line.
constexpr std::size_t longestDelimiter = 15;
constexpr std::size_t delimiterLineKept = 256;

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
    : m_stream(stream),
      // As large as the file when it is smaller (a gzip's text may be larger: its reads are then smaller).
      m_bufferSize(static_cast<std::size_t>(
          std::clamp<std::uint64_t>(stream.total() == 0 ? largestBuffer : stream.total() + 16, 4096, largestBuffer))),
      m_buffer(std::make_unique_for_overwrite<char[]>(m_bufferSize)), m_offset(offset), m_position(position),
      m_delimiter(std::move(delimiter)), m_largest(defaultStatement)
{
}

void StatementReader::setLargestStatement(std::uint64_t bytes)
{
    m_largest = std::clamp<std::uint64_t>(bytes, 1, mostStatement);
}

void StatementReader::keep(std::string& text, std::string_view bytes) const
{
    const std::size_t wanted = text.size() + bytes.size();
    if (wanted > text.capacity()) {
        // Doubling up to half the largest, then room for the largest at once: a statement near it
        // never moves while both its old and its new copy are held. A read of the stream may take
        // it past the largest before that is seen.
        std::size_t room = std::max(wanted, 2 * text.capacity());
        if (room > m_largest / 2)
            room = std::max<std::size_t>(wanted, m_largest + m_bufferSize);
        text.reserve(room);
    }
    text.append(bytes);
}

bool StatementReader::fill(std::size_t wanted)
{
    if (m_size - m_at >= wanted)
        return true;
    // The bytes not yet taken move to the front, so that a "--" or "/*" across two reads is still seen.
    std::copy(m_buffer.get() + m_at, m_buffer.get() + m_size, m_buffer.get());
    m_size -= m_at;
    m_at = 0;
    while (m_size < wanted) {
        const std::size_t got = m_stream.read(m_buffer.get() + m_size, m_bufferSize - m_size);
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
           std::string_view(m_buffer.get() + m_at, m_delimiter.size()) == m_delimiter;
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
        if (line.size() < delimiterLineKept)
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
    if (delimiter.empty() || delimiter.find_first_of("'\"`\\") != std::string::npos ||
        delimiter.size() > longestDelimiter) {
        m_problem.what = delimiter.size() > longestDelimiter ? BackupProblem::What::DelimiterTooLong
                                                             : BackupProblem::What::DelimiterQuoted;
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
    statement.bytes = 0;
    m_scan = Scan();
    return scan(statement, true);
}

StatementReader::Result StatementReader::passOver(Statement& statement)
{
    return scan(statement, false);
}

StatementReader::Result StatementReader::scan(Statement& statement, bool keeping)
{
    Scan& s = m_scan;
    for (;;) {
        if (keeping && statement.text.size() > m_largest) {
            statement.text.resize(std::min(statement.text.size(), largeStatementKept));
            statement.text.shrink_to_fit();
            return Result::TooLarge;
        }
        if (!fill(3))
            break;
        // Blanks between statements are passed over at once.
        if (s.state == State::Code && !s.started && isBlank(m_buffer[m_at])) {
            do
                advance(m_buffer[m_at]);
            while (++m_at < m_size && isBlank(m_buffer[m_at]));
            s.previous = m_buffer[m_at - 1];
            continue;
        }
        // Most of a dump is the text inside quotes, and a comment can be long: what holds no byte that
        // ends them is taken at once.
        const char* bytes = m_buffer.get();
        std::uint64_t characters = 0;
        std::size_t plain = m_at;
        if (s.state == State::Quoted && !s.escaped)
            plain = findAnyOf(bytes, m_at, m_size, s.quote, '\\', '\n', &characters);
        else if (s.state == State::LineComment)
            plain = findAnyOf(bytes, m_at, m_size, '\n', '\n', '\n', &characters);
        else if (s.state == State::BlockComment)
            plain = findAnyOf(bytes, m_at, m_size, '/', '\n', '/', &characters);
        if (plain > m_at) {
            const std::string_view taken(bytes + m_at, plain - m_at);
            if (s.state == State::Quoted && keeping)
                keep(statement.text, taken);
            else if (s.state == State::LineComment && m_comment.size() < commentKept)
                m_comment.append(taken.substr(0, commentKept - m_comment.size()));
            else if (s.state == State::BlockComment)
                s.commentBytes += taken.size();
            m_position.column += characters;
            m_offset += taken.size();
            s.previous = taken.back();
            m_at = plain;
            continue;
        }
        const char c = m_buffer[m_at];
        const char after = m_at + 1 < m_size ? m_buffer[m_at + 1] : 0;
        const char third = m_at + 2 < m_size ? m_buffer[m_at + 2] : 0;
        switch (s.state) {
        case State::Code:
            if (!s.started && isBlank(c))
                break;
            if (c == '#' || (c == '-' && after == '-' && (third == 0 || isBlank(third)))) {
                // As the server reads it: "--" opens a comment only before a blank.
                s.state = State::LineComment;
                s.commentStartsLine = !s.started && m_position.column == 1;
                m_comment.clear();
                if (s.started && keeping)
                    keep(statement.text, " ");
                break;
            }
            if (c == '/' && after == '*') {
                s.state = State::BlockComment;
                s.commentBytes = 0;
                if (s.started && keeping)
                    keep(statement.text, " ");
                break;
            }
            if (!s.started && (c == 'D' || c == 'd') && readDelimiterCommand()) {
                if (m_problem)
                    return Result::Error;
                continue;
            }
            if (c == m_delimiter[0] && atDelimiter()) {
                for (std::size_t i = 0; i < m_delimiter.size(); ++i) {
                    advance(m_buffer[m_at]);
                    ++m_at;
                }
                if (!s.started)
                    continue; // what stood before it was only comments
                statement.end = m_position;
                statement.bytes = m_offset - statement.offset;
                return Result::Statement;
            }
            if (!s.started) {
                s.started = true;
                statement.offset = m_offset;
                statement.start = m_position;
            }
            if (c == '\'' || c == '"' || c == '`') {
                s.state = State::Quoted;
                s.quote = c;
                s.quoteAt = m_position;
                s.escaped = false;
            }
            if (keeping)
                keep(statement.text, std::string_view(&c, 1));
            break;
        case State::Quoted:
            if (c == '\n') {
                m_problem.what = BackupProblem::What::QuoteNotClosedOnLine;
                m_problem.text = std::string(1, s.quote);
                m_problem.placed = true;
                m_problem.at = s.quoteAt;
                return Result::Error;
            }
            if (keeping)
                keep(statement.text, std::string_view(&c, 1));
            if (s.escaped)
                s.escaped = false;
            else if (c == '\\' && s.quote != '`')
                s.escaped = true;
            else if (c == s.quote)
                s.state = State::Code; // a doubled quote closes and opens again
            break;
        case State::LineComment:
            // Only its newline comes here: the rest was taken above.
            s.state = State::Code;
            if (s.started && keeping)
                keep(statement.text, "\n");
            else if (!s.started && s.commentStartsLine && onLineComment)
                onLineComment(trimmedComment(m_comment));
            break;
        case State::BlockComment:
            if (c == '\n' && s.started && keeping)
                keep(statement.text, "\n");
            // "/*/" does not close: the '*' must come after the opening one ("/**/" closes).
            if (c == '/' && s.previous == '*' && s.commentBytes >= 2)
                s.state = State::Code;
            ++s.commentBytes;
            break;
        }
        s.previous = c;
        advance(c);
        ++m_at;
    }
    if (s.state == State::LineComment && !s.started && s.commentStartsLine && onLineComment)
        onLineComment(trimmedComment(m_comment));
    if (m_stream.failed() && !m_stream.cutShort()) {
        m_problem = m_stream.problem();
        m_problem.placed = true;
        m_problem.at = m_position;
        return Result::Error;
    }
    if (s.started || s.state == State::Quoted || s.state == State::BlockComment || m_stream.cutShort()) {
        m_cut = true;
        m_cutAt = s.started ? statement.start : m_position;
    }
    return Result::End;
}

} // namespace kestrel
