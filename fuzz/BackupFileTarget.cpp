// A backup file through the reader's own entry: the first pass, then every table read again. What the
// first pass accepts, every later reading gives whole: a run never stops halfway through its writes for
// a file it began. Plain SQL text gives the same packed as a gzip and as the .sql of a zip.
#include "BackupFile.h"
#include "FuzzTargets.h"

#include <unistd.h>
#include <zip.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace kestrel::fuzz {

namespace {

// The columns a run keeps from the first pass, and a few of another table.
const std::vector<std::string> kept = {"blog.gid",    "blog.sortid",         "blog.alias",           "comment.cid",
                                       "comment.pid", "options.option_name", "options.option_value", "tag.gid"};

std::string scratchPath(const char* suffix)
{
    static const std::string folder = std::filesystem::temp_directory_path().string();
    return folder + "/kestrel-fuzz-" + std::to_string(getpid()) + suffix;
}

void writePlain(const std::string& path, std::string_view bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void writeGzip(const std::string& path, std::string_view bytes)
{
    gzFile file = gzopen(path.c_str(), "wb1");
    if (!bytes.empty())
        gzwrite(file, bytes.data(), static_cast<unsigned>(bytes.size()));
    gzclose(file);
}

void writeZip(const std::string& path, std::string_view bytes)
{
    std::remove(path.c_str());
    int code = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
    zip_file_add(archive, "emlog_20240506_120000.sql", source, ZIP_FL_ENC_UTF_8);
    zip_close(archive);
}

// What a reading came to: the same text, however packed, comes to the same.
struct Reading
{
    bool opened = false;
    BackupProblem::What problem = BackupProblem::What::None;
    bool cut = false;
    std::size_t passedOver = 0;
    std::vector<std::pair<std::string, std::int64_t>> tables;

    bool operator==(const Reading&) const = default;
};

Reading readAll(const std::string& path, bool acceptTruncated, std::uint64_t largestStatement)
{
    BackupFile backup;
    backup.largestStatement = largestStatement;
    Reading reading;
    reading.opened = backup.open(path, "emlog_", acceptTruncated, kept);
    reading.problem = backup.problem().what;
    expect(reading.opened != static_cast<bool>(backup.problem()), "a file is opened, or refused with a problem");
    if (!reading.opened)
        return reading;
    reading.cut = backup.cut().cut;
    reading.passedOver = backup.passedOver().size();
    expect(acceptTruncated || (!reading.cut && reading.passedOver == 0), "a file read whole lacks nothing");
    for (const BackupTable& table : backup.tables()) {
        std::int64_t rows = 0;
        const bool read = backup.forEachRow(table, [&](const BackupRow& row) {
            expect(row.number == ++rows, "rows come in the file's order");
            expect(row.columns && row.values.size() == row.columns->size(), "a row has a value for each column");
            return true;
        });
        expect(read, "a table the first pass read is read again");
        expect(rows == table.rows, "a table gives the rows the first pass counted");
        for (const std::string& name : kept) {
            const std::string_view column = std::string_view(name).substr(name.find('.') + 1);
            const KeptValues* values = backup.keptColumn(table.name, column);
            expect(!values || values->size() == static_cast<std::size_t>(rows),
                   "a kept column has a value for each row");
        }
        reading.tables.emplace_back(table.name, rows);
    }
    return reading;
}

// Read whole, as a run asked nothing reads it, and as one accepting a cut file reads it with small
// statements only: those past it are passed over.
std::pair<Reading, Reading> readBothWays(const std::string& path)
{
    return {readAll(path, false, 0), readAll(path, true, 600)};
}

} // namespace

int backupFile(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string plain = scratchPath(".sql");
    writePlain(plain, bytes);
    const auto asIs = readBothWays(plain);
    std::remove(plain.c_str());
    // Packed already: what it holds is read once.
    const bool packed = (size >= 2 && data[0] == 0x1f && data[1] == 0x8b) || bytes.substr(0, 4) == "PK\3\4";
    if (packed)
        return 0;
    const std::string gzip = scratchPath(".sql.gz");
    writeGzip(gzip, bytes);
    expect(readBothWays(gzip) == asIs, "a gzip of the text reads as the text");
    std::remove(gzip.c_str());
    const std::string zipped = scratchPath(".zip");
    writeZip(zipped, bytes);
    expect(readBothWays(zipped) == asIs, "a zip of the text reads as the text");
    std::remove(zipped.c_str());
    return 0;
}

} // namespace kestrel::fuzz
