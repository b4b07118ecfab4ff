#include "RowsBackup.h"

#include "ResultSet.h"

#include <mysql.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace kestrel {

namespace {

constexpr std::size_t statementBytes = 1 << 20;
constexpr unsigned binaryCharset = 63;

std::string backquoted(std::string_view name)
{
    std::string quoted = "`";
    for (const char c : name)
        quoted += c == '`' ? std::string("``") : std::string(1, c);
    return quoted + "`";
}

void appendHex(std::string& out, const char* bytes, unsigned long length)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    out += "X'";
    for (unsigned long i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        out += digits[byte >> 4];
        out += digits[byte & 15];
    }
    out += '\'';
}

// Made only when nothing is at the path yet, for its owner alone.
std::FILE* createPrivately(const std::string& path)
{
#ifdef _WIN32
    // In the user's own profile folder, whose ACL keeps other users out. _O_EXCL refuses a file (or a
    // link) already there: msvcrt's fopen takes no "x" and would overwrite it. The path is UTF-8:
    // the narrow calls would read it in the ANSI code page, and miss a folder named in Chinese.
    const int descriptor = ::_wopen(std::filesystem::u8path(path).c_str(),
                                    _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (descriptor < 0)
        return nullptr;
    std::FILE* file = ::_fdopen(descriptor, "wb");
    if (!file)
        ::_close(descriptor);
    return file;
#else
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (descriptor < 0)
        return nullptr;
    std::FILE* file = ::fdopen(descriptor, "wb");
    if (!file)
        ::close(descriptor);
    return file;
#endif
}

bool syncToDisk(std::FILE* file)
{
#ifdef _WIN32
    return ::_commit(::_fileno(file)) == 0;
#else
    return ::fsync(::fileno(file)) == 0;
#endif
}

std::string folderOf(const std::string& path)
{
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? std::string(".") : folder;
}

// The folder's own entry for a file just made; Windows keeps that with the file.
bool syncFolderOf(const std::string& path)
{
#ifdef _WIN32
    (void)path;
    return true;
#else
    const int folder = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return false;
    const bool synced = ::fsync(folder) == 0;
    const int error = errno;
    ::close(folder);
    errno = error;
    return synced;
#endif
}

} // namespace

bool RowsBackup::create(const std::string& path, std::string_view comment)
{
    m_path = path;
    m_file.reset(createPrivately(path));
    if (!m_file) {
        m_error = path + ": " + std::strerror(errno);
        return false;
    }
    std::string header;
    for (std::size_t start = 0; start < comment.size();) {
        const std::size_t end = std::min(comment.find('\n', start), comment.size());
        header += "-- " + std::string(comment.substr(start, end - start)) + "\n";
        start = end + 1;
    }
    // The ids go back as they were, 0 included; dates as WordPress wrote them, zero dates too.
    header += "SET NAMES utf8mb4;\nSET SESSION sql_mode='NO_AUTO_VALUE_ON_ZERO';\nSET FOREIGN_KEY_CHECKS=0;\n"
              "START TRANSACTION;\n";
    return write(header);
}

bool RowsBackup::endRow(std::string& statement)
{
    statement += ")";
    if (statement.size() < statementBytes)
        return true;
    const bool written = write(statement + ";\n");
    statement.clear();
    return written;
}

bool RowsBackup::addRows(std::string_view table, ResultSet& rows)
{
    MYSQL_RES* result = rows.handle();
    if (!result)
        return addCarriedRows(table, rows);
    const unsigned columns = mysql_num_fields(result);
    const MYSQL_FIELD* fields = mysql_fetch_fields(result);
    // IGNORE: a row still there (its key taken) stays as it is, so that after an emptying that
    // stopped part-way the file puts back just what went.
    std::string head = "INSERT IGNORE INTO " + backquoted(table) + " (";
    for (unsigned i = 0; i < columns; ++i)
        head += (i ? ", " : "") + backquoted(fields[i].name);
    head += ") VALUES\n";

    mysql_data_seek(result, 0);
    std::string statement;
    while (MYSQL_ROW row = mysql_fetch_row(result)) {
        const unsigned long* lengths = mysql_fetch_lengths(result);
        statement += statement.empty() ? head + "(" : ",\n(";
        for (unsigned i = 0; i < columns; ++i) {
            if (i)
                statement += ", ";
            if (!row[i])
                statement += "NULL";
            else if (IS_NUM(fields[i].type) && fields[i].charsetnr == binaryCharset && lengths[i] > 0)
                statement.append(row[i], lengths[i]);
            else if (fields[i].charsetnr == binaryCharset) {
                appendHex(statement, row[i], lengths[i]);
            } else {
                statement += "_utf8mb4 ";
                appendHex(statement, row[i], lengths[i]);
            }
        }
        if (!endRow(statement))
            return false;
    }
    return statement.empty() || write(statement + ";\n");
}

bool RowsBackup::addCarriedRows(std::string_view table, ResultSet& rows)
{
    // Rows that came by a carrier say no column's type: every value goes as its bytes, read as utf8mb4
    // text, which the server turns into the column's number or date on the way in as it does any text.
    if (!rows || rowCount(rows) == 0)
        return true;
    std::string head = "INSERT IGNORE INTO " + backquoted(table) + " (";
    for (int i = 0; i < rows.columnCount(); ++i)
        head += (i ? ", " : "") + backquoted(rows.columnName(i));
    head += ") VALUES\n";
    std::string statement;
    rewindRows(rows);
    for (std::uint64_t row = 0; row < rowCount(rows); ++row, nextRow(rows)) {
        statement += statement.empty() ? head + "(" : ",\n(";
        for (int i = 0; i < rows.columnCount(); ++i) {
            std::optional<std::string_view> value;
            if (!readRawField(rows, i, value)) {
                m_error = m_path + ": a row could not be read";
                return false;
            }
            if (i)
                statement += ", ";
            if (!value) {
                statement += "NULL";
            } else {
                statement += "_utf8mb4 ";
                appendHex(statement, value->data(), static_cast<unsigned long>(value->size()));
            }
        }
        if (!endRow(statement))
            return false;
    }
    return statement.empty() || write(statement + ";\n");
}

bool RowsBackup::finish()
{
    if (!m_file)
        return false;
    // Flushed to the disk, and so is the folder's entry for it: the deletes that follow may
    // stand (on an engine without transactions) even if the machine goes down right after.
    bool kept = write("COMMIT;\n");
    if (kept && (std::fflush(m_file.get()) != 0 || !syncToDisk(m_file.get()))) {
        m_error = m_path + ": " + std::strerror(errno);
        kept = false;
    }
    std::FILE* file = m_file.release();
    if (std::fclose(file) != 0 && kept) {
        m_error = m_path + ": " + std::strerror(errno);
        kept = false;
    }
    if (kept && !syncFolderOf(m_path)) {
        m_error = folderOf(m_path) + ": " + std::strerror(errno);
        kept = false;
    }
    return kept;
}

bool RowsBackup::write(std::string_view text)
{
    if (!m_file || std::fwrite(text.data(), 1, text.size(), m_file.get()) != text.size()) {
        m_error = m_path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace kestrel
