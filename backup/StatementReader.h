#pragma once

#include "BackupProblem.h"
#include "BackupStream.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

struct Statement
{
    std::string text;         // without its ';', comments blanked out, newlines kept
    std::uint64_t offset = 0; // of its first byte in the SQL text
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
    enum class Result { Statement, End, Error };

    // Reads from `stream`, which stands at `offset` of the SQL text, at `position`.
    explicit StatementReader(BackupStream& stream, std::uint64_t offset = 0, TextPosition position = {},
                             std::string delimiter = ";");

    Result next(Statement& statement);

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
    // At least `wanted` bytes ahead unless the text ends sooner; false at its end.
    bool fill(std::size_t wanted);
    void advance(char c);
    // Whether the delimiter starts here; at least its first byte was seen to match.
    bool atDelimiter();
    // Reads a DELIMITER command when one starts here: false when it is not one.
    bool readDelimiterCommand();

    BackupStream& m_stream;
    std::vector<char> m_buffer;
    std::size_t m_at = 0;
    std::size_t m_size = 0;
    std::uint64_t m_offset;
    TextPosition m_position;
    std::string m_delimiter;

    BackupProblem m_problem;
    bool m_cut = false;
    TextPosition m_cutAt;
};

} // namespace kestrel
