#include "BackupStream.h"

#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <filesystem>
#include <fstream>
#include <limits>
#include <vector>

namespace kestrel {

namespace {

// Past this much SQL text, compressed data that grew more than this many times is not a backup: SQL
// text shrinks ten times or so, a few dozen at the most; a run of one byte, a thousand times, and
// other methods of a zip far more. Judged from there on, such a file takes seconds, not hours.
constexpr std::uint64_t expansionJudgedFrom = std::uint64_t(64) << 20;
constexpr std::uint64_t mostExpansion = 200;

bool expandsTooFar(std::uint64_t text, std::uint64_t compressed)
{
    return text > expansionJudgedFrom && text / std::max<std::uint64_t>(compressed, 1) > mostExpansion;
}

bool endsWithSql(std::string name)
{
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    return name.size() > 4 && name.ends_with(".sql");
}

} // namespace

void BackupStream::GzCloser::operator()(gzFile_s* file) const noexcept
{
    gzclose(file);
}

void BackupStream::ZipCloser::operator()(zip* archive) const noexcept
{
    zip_discard(archive);
}

void BackupStream::EntryCloser::operator()(zip_file* entry) const noexcept
{
    zip_fclose(entry);
}

BackupStream::~BackupStream() = default;

bool BackupStream::fail(BackupProblem::What what, const std::string& path, const char* detail)
{
    m_problem.what = what;
    m_problem.path = path;
    m_problem.detail = detail ? detail : "";
    return false;
}

bool BackupStream::open(const std::string& path)
{
    m_entry.reset();
    m_zip.reset();
    m_gz.reset();
    m_problem = {};
    m_cutShort = false;
    m_total = 0;
    m_entryRead = 0;
    m_entryCompressed = 0;
    m_textRead = 0;
    char magic[4] = {};
    {
        // The path is UTF-8; on Windows a narrow path would be read in the ANSI code page.
        std::ifstream file(std::filesystem::u8path(path), std::ios::binary);
        if (!file) {
            return fail(BackupProblem::What::CannotOpen, path);
        }
        file.read(magic, sizeof magic);
    }
    if (magic[0] == 'P' && magic[1] == 'K' && magic[2] == 3 && magic[3] == 4)
        return openZip(path);
        // zlib reads a file that is not gzip as it is, so a plain .sql takes the same way.
#ifdef _WIN32
    m_gz.reset(gzopen_w(std::filesystem::u8path(path).wstring().c_str(), "rb"));
#else
    m_gz.reset(gzopen(path.c_str(), "rb"));
#endif
    if (!m_gz) {
        return fail(BackupProblem::What::CannotOpen, path);
    }
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(std::filesystem::u8path(path), error);
    m_total = error ? 0 : size;
    // Large reads for a large file; a small one, read again for each table, needs no large buffers.
    gzbuffer(m_gz.get(), static_cast<unsigned>(std::clamp<std::uint64_t>(m_total, 8 * 1024, 256 * 1024)));
    return true;
}

bool BackupStream::openZip(const std::string& path)
{
    int code = 0;
    m_zip.reset(zip_open(path.c_str(), ZIP_RDONLY, &code));
    if (!m_zip) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        fail(BackupProblem::What::ZipUnreadable, path, zip_error_strerror(&error));
        zip_error_fini(&error);
        return false;
    }
    std::vector<zip_uint64_t> sql;
    const zip_int64_t entries = zip_get_num_entries(m_zip.get(), 0);
    for (zip_int64_t i = 0; i < entries; ++i) {
        const char* name = zip_get_name(m_zip.get(), static_cast<zip_uint64_t>(i), 0);
        if (name && endsWithSql(name))
            sql.push_back(static_cast<zip_uint64_t>(i));
    }
    if (sql.size() != 1) {
        fail(BackupProblem::What::ZipSqlCount, path);
        m_problem.count = sql.size();
        return false;
    }
    m_entry.reset(zip_fopen_index(m_zip.get(), sql.front(), 0));
    if (!m_entry) {
        return fail(BackupProblem::What::ZipSqlUnreadable, path, zip_strerror(m_zip.get()));
    }
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(m_zip.get(), sql.front(), 0, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE))
        m_total = stat.size;
    if (stat.valid & ZIP_STAT_COMP_SIZE)
        m_entryCompressed = stat.comp_size;
    // What the entry says it expands to is known before a byte of it is read.
    if ((stat.valid & ZIP_STAT_SIZE) && m_entryCompressed != 0 && expandsTooFar(stat.size, m_entryCompressed)) {
        fail(BackupProblem::What::ExpandsTooFar, path);
        m_problem.count = stat.size;
        m_problem.expected = stat.comp_size;
        return false;
    }
    return true;
}

std::uint64_t BackupStream::done() const
{
    if (m_entry)
        return m_entryRead;
    const z_off_t offset = m_gz ? gzoffset(m_gz.get()) : 0;
    return offset > 0 ? static_cast<std::uint64_t>(offset) : 0;
}

std::size_t BackupStream::read(char* buffer, std::size_t size)
{
    if (failed() || m_cutShort)
        return 0;
    size = std::min<std::size_t>(size, INT_MAX);
    if (m_entry) {
        const zip_int64_t got = zip_fread(m_entry.get(), buffer, size);
        if (got < 0) {
            // A damaged entry: its data ends before the size or the checksum its header promises.
            m_cutShort = true;
            fail(BackupProblem::What::ZipReadFailed, {}, zip_file_strerror(m_entry.get()));
            return 0;
        }
        m_entryRead += static_cast<std::uint64_t>(got);
        // An entry that says less than it holds expands no further than its compressed bytes allow.
        if (m_entryCompressed != 0 && expandsTooFar(m_entryRead, m_entryCompressed)) {
            fail(BackupProblem::What::ExpandsTooFar, {});
            m_problem.count = m_entryRead;
            m_problem.expected = m_entryCompressed;
            return 0;
        }
        return static_cast<std::size_t>(got);
    }
    if (!m_gz)
        return 0;
    const int got = gzread(m_gz.get(), buffer, static_cast<unsigned>(size));
    if (got < 0) {
        int code = 0;
        const char* message = gzerror(m_gz.get(), &code);
        if (code == Z_BUF_ERROR)
            m_cutShort = true; // the gzip stream ends before its trailer
        else
            fail(BackupProblem::What::GzipCorrupt, {}, message);
        return 0;
    }
    m_textRead += static_cast<std::uint64_t>(got);
    if (expandsTooFar(m_textRead, done())) {
        fail(BackupProblem::What::ExpandsTooFar, {});
        m_problem.count = m_textRead;
        m_problem.expected = done();
        return 0;
    }
    return static_cast<std::size_t>(got);
}

bool BackupStream::skip(std::uint64_t bytes)
{
    if (bytes == 0)
        return true;
    // A real seek on a plain file; gzip decompresses up to there. z_off_t is 32 bits on Windows:
    // a farther place is read up to.
    if (m_gz && !m_entry && bytes <= static_cast<std::uint64_t>(std::numeric_limits<z_off_t>::max()))
        return gzseek(m_gz.get(), static_cast<z_off_t>(bytes), SEEK_CUR) >= 0;
    std::vector<char> scratch(std::min<std::uint64_t>(bytes, 1 << 20));
    while (bytes > 0) {
        const std::size_t got = read(scratch.data(), std::min<std::uint64_t>(bytes, scratch.size()));
        if (got == 0)
            return false;
        bytes -= got;
    }
    return true;
}

} // namespace kestrel
