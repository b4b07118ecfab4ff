#pragma once

#include "BackupProblem.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct gzFile_s;
struct zip;
struct zip_file;

namespace kestrel {

// The SQL text of a backup as a stream of bytes: a plain .sql, a gzip of one, or
// the one .sql inside a .zip, told apart by their first bytes rather than their names. Compressed
// data that expands far more than SQL text ever does is refused (ExpandsTooFar).
class BackupStream
{
public:
    BackupStream() = default;
    BackupStream(BackupStream&&) noexcept = default;
    BackupStream& operator=(BackupStream&&) noexcept = default;
    ~BackupStream();

    bool open(const std::string& path);
    // Up to `size` bytes; 0 at the end or on an error (see failed() and cutShort()).
    std::size_t read(char* buffer, std::size_t size);
    // Passes over the next `bytes` bytes of SQL text.
    bool skip(std::uint64_t bytes);
    // How far the reading is, for a progress bar: `done()` of `total()` bytes of the file (compressed
    // ones for a gzip), or of the .sql inside a zip. `total()` is 0 when not known.
    std::uint64_t done() const;
    std::uint64_t total() const noexcept { return m_total; }

    bool failed() const noexcept { return static_cast<bool>(m_problem); }
    // The compressed data stopped before its own end: the file was cut.
    bool cutShort() const noexcept { return m_cutShort; }
    const BackupProblem& problem() const noexcept { return m_problem; }

private:
    struct GzCloser
    {
        void operator()(gzFile_s* file) const noexcept;
    };
    struct ZipCloser
    {
        void operator()(zip* archive) const noexcept;
    };
    struct EntryCloser
    {
        void operator()(zip_file* entry) const noexcept;
    };
    bool openZip(const std::string& path);
    // Records what went wrong; always false.
    bool fail(BackupProblem::What what, const std::string& path, const char* detail = "");

    std::unique_ptr<gzFile_s, GzCloser> m_gz;
    std::unique_ptr<zip, ZipCloser> m_zip;
    std::unique_ptr<zip_file, EntryCloser> m_entry; // declared after the archive: closed first
    BackupProblem m_problem;
    bool m_cutShort = false;
    std::uint64_t m_total = 0;
    std::uint64_t m_entryRead = 0;
    std::uint64_t m_entryCompressed = 0; // as the zip says: 0 when it does not
    std::uint64_t m_textRead = 0;        // of a gzip, or a plain file
};

} // namespace kestrel
