#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace kestrel {

class ResultSet;

// An SQL file that the `mariadb` client runs as it is to put rows back: INSERT IGNORE
// statements of up to about 1 MiB (a row still there is left as it is), every value that
// is not a number written as a hex literal, so no byte of it depends on escaping. Made new, readable by its owner
// only, never through a link already at its path.
class RowsBackup
{
public:
    // False (and the reason in error()) when the file cannot be made.
    bool create(const std::string& path, std::string_view comment);
    // Adds every row of a select of `table` (*, as stored: the session's character set is utf8mb4), whether
    // they came from the library or by a carrier (the receiver plugin's).
    bool addRows(std::string_view table, ResultSet& rows);
    // Writes the end, flushes the file and its folder to the disk and closes; false when
    // something could not be written or flushed.
    bool finish();

    const std::string& error() const { return m_error; }

private:
    bool write(std::string_view text);
    // Closes a row of the INSERT being made, and writes the INSERT once it is long enough.
    bool endRow(std::string& statement);
    bool addCarriedRows(std::string_view table, ResultSet& rows);

    struct Closer
    {
        void operator()(std::FILE* file) const noexcept { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> m_file;
    std::string m_path;
    std::string m_error;
};

} // namespace kestrel
