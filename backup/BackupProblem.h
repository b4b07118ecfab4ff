#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrel {

// Where a byte stands in the SQL text: lines and characters counted from 1.
struct TextPosition
{
    std::uint64_t line = 1;
    std::uint64_t column = 1;
};

// Where a file that stopped before its end stopped, when it was read anyway.
struct BackupCut
{
    enum class How {
        InAStatement,    // at `at`, a statement not written to its end
        NoEndOfBackup,   // an emlog backup without its "#the end of backup"
        NoDumpCompleted, // a dump without its "-- Dump completed"
    };
    bool cut = false;
    How how = How::InAStatement;
    TextPosition at;
    std::string lostTable; // the table of the statement it stopped in, if any
};

// A statement of the blog's rows larger than the reader holds, passed over when the file is read anyway:
// its rows are not read.
struct PassedOver
{
    TextPosition at;
    std::string table;
    std::uint64_t bytes = 0;   // the whole statement's, from its first byte to its delimiter
    std::uint64_t largest = 0; // the most a statement could hold
};

// What went wrong reading a backup file: a code, and the values that say where and what. The reader
// makes no sentence of it; the front ends do (run/RunTexts). Each part of the reader fills in what it
// knows: the stream the file, the lexer a byte of the statement, the file reader the place in the file.
struct BackupProblem
{
    enum class What {
        None,
        // The file (path; detail: the library's own words).
        CannotOpen,
        ZipUnreadable,
        ZipSqlCount, // count: the .sql files in the zip
        ZipSqlUnreadable,
        ZipReadFailed,
        GzipCorrupt,
        ExpandsTooFar, // count: the SQL text so far; expected: the compressed bytes it came from; table: of the
                       // statement it stopped in, when the blog's
        // A statement's text (text: the quote, or the words or symbol expected there).
        QuoteNotClosed,
        QuoteNotClosedOnLine,
        NotHexDigit,
        OddHexDigits,
        LetterAfterNumber,
        Expected,
        ExpectedName,
        ExpectedDigitAfterSign,
        ExpectedValue,
        CreateTableWithoutColumns,
        RowValueCount, // count: the row's values; expected: the columns listed
        TextAfterValues,
        DelimiterQuoted,
        DelimiterTooLong,
        StatementTooLarge, // table (when it is the blog's), count: the most a statement may hold
        // The file's statements and rows.
        UnknownStatement,     // text: how it starts
        InsertWithoutColumns, // table
        TableValueCount,      // table, row, count: its values; expected: the table's columns
        NotUtf8,              // table, row, idColumn and idValue (when known), column, byte (from 1)
        NoTables,             // prefix; otherTable: one that looks like emlog's under another prefix
        Stopped,
        Truncated,       // cut
        Moved,           // its place cannot be read again
        RowCountChanged, // table, count: rows the second time; expected: the first
    };
    What what = What::None;
    std::string path;
    bool placed = false; // whether `at` says where in the file
    TextPosition at;
    std::size_t offset = 0; // of the byte in the statement, before it is placed in the file
    std::string text;
    std::string detail;
    std::string table;
    std::string column;
    std::string idColumn;
    std::string idValue;
    std::string prefix;
    std::string otherTable;
    std::int64_t row = 0;
    std::uint64_t count = 0;
    std::uint64_t expected = 0;
    std::uint64_t byte = 0;
    BackupCut cut;

    explicit operator bool() const noexcept { return what != What::None; }
};

} // namespace kestrel
