#pragma once

#include "BackupProblem.h"
#include "BackupStream.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

struct Statement
{
    std::string text;         // without its ';', comments blanked out, newlines kept
    std::uint64_t offset = 0; // of its first byte in the SQL text
    std::uint64_t bytes = 0;  // from there to its delimiter, once read to its end
    TextPosition start;
    TextPosition end; // just past its ';'

    // Where a byte of `text` stands in the file.
    TextPosition positionOf(std::size_t index) const;
};

// Splits SQL text into statements at the ';' outside quotes and comments, or at the delimiter a
// "DELIMITER" line sets, as the mariadb client does. A quote
// still open at the end of its line is an error: every dump and backup writes a
// newline inside a value as \n, so such a quote is a broken one, named where it opened.
class StatementReader
{
public:
    enum class Result { Statement, TooLarge, End, Error };

    // Reads from `stream`, which stands at `offset` of the SQL text, at `position`.
    explicit StatementReader(BackupStream& stream, std::uint64_t offset = 0, TextPosition position = {},
                             std::string delimiter = ";");

    // The most text a statement may hold (1 GiB at most, as a server's max_allowed_packet). A longer
    // one stops next() with TooLarge as soon as it passes this, its text cut to its beginning, which
    // says what it is.
    void setLargestStatement(std::uint64_t bytes);
    std::uint64_t largestStatement() const noexcept { return m_largest; }

    Result next(Statement& statement);
    // After TooLarge: reads on to the end of that statement without keeping any more of it. Statement
    // (its `bytes` then the whole statement's), End when the text stops inside it, or Error.
    Result passOver(Statement& statement);

    // After Error: what went wrong, placed in the file.
    const BackupProblem& problem() const noexcept { return m_problem; }
    // After End: the text stopped inside a statement, a quote or a comment, or its compression was cut.
    bool cut() const noexcept { return m_cut; }
    TextPosition cutAt() const noexcept { return m_cutAt; }
    std::uint64_t offset() const noexcept { return m_offset; }
    // The delimiter the last statement ended with.
    const std::string& delimiter() const noexcept { return m_delimiter; }

    // A comment that starts a line between statements ("#tableprefix:emlog_", "-- Dump completed"),
    // its text after the "#" or "--".
    std::function<void(std::string_view comment)> onLineComment;

private:
    enum class State { Code, Quoted, LineComment, BlockComment };
    // Where the reading of a statement stands: kept from next() for passOver().
    struct Scan
    {
        State state = State::Code;
        char quote = 0;
        bool escaped = false;
        TextPosition quoteAt;
        bool commentStartsLine = false;
        std::size_t commentBytes = 0;
        char previous = 0;
        bool started = false;
    };
    Result scan(Statement& statement, bool keep);
    // Adds to a statement's text, in room that never makes it held twice over near the largest.
    void keep(std::string& text, std::string_view bytes) const;
    // At least `wanted` bytes ahead unless the text ends sooner; false at its end.
    bool fill(std::size_t wanted);
    void advance(char c);
    // Whether the delimiter starts here; at least its first byte was seen to match.
    bool atDelimiter();
    // Reads a DELIMITER command when one starts here: false when it is not one.
    bool readDelimiterCommand();

    BackupStream& m_stream;
    std::size_t m_bufferSize;
    std::unique_ptr<char[]> m_buffer; // not cleared first: only what was read is touched
    std::size_t m_at = 0;
    std::size_t m_size = 0;
    std::uint64_t m_offset;
    TextPosition m_position;
    std::string m_delimiter;
    std::uint64_t m_largest;
    Scan m_scan;
    std::string m_comment; // the start of a line comment

    BackupProblem m_problem;
    bool m_cut = false;
    TextPosition m_cutAt;
};

} // namespace kestrel
