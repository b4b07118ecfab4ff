#include "RepeatedText.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <random>

namespace kestrel::test {

namespace {

// A raw deflate of `bytes` from a fresh start, ended on a byte boundary (and the stream's last block
// when `last`): such pieces follow one another as one stream, for none refers back into another.
std::string deflated(const std::string& bytes, bool last)
{
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, bytes.size()) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, last ? Z_FINISH : Z_FULL_FLUSH), last ? Z_STREAM_END : Z_OK);
    out.resize(out.size() - stream.avail_out);
    deflateEnd(&stream);
    return out;
}

struct Deflated
{
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
    std::uint64_t compressedSize = 0;
};

// Writes the text's deflate stream to `file`.
Deflated writeDeflated(std::ofstream& file, const RepeatedText& text)
{
    Deflated written;
    const auto put = [&](const std::string& bytes) {
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        written.compressedSize += bytes.size();
    };
    put(deflated(text.head, false));
    written.crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(text.head.data()), static_cast<uInt>(text.head.size())));
    const std::string body = deflated(text.body, false);
    const uLong bodyCrc =
        crc32(0, reinterpret_cast<const Bytef*>(text.body.data()), static_cast<uInt>(text.body.size()));
    for (std::uint64_t i = 0; i < text.times; ++i) {
        put(body);
        written.crc =
            static_cast<std::uint32_t>(crc32_combine(written.crc, bodyCrc, static_cast<z_off_t>(text.body.size())));
    }
    put(deflated(text.tail, true));
    written.crc = static_cast<std::uint32_t>(crc32_combine(
        written.crc, crc32(0, reinterpret_cast<const Bytef*>(text.tail.data()), static_cast<uInt>(text.tail.size())),
        static_cast<z_off_t>(text.tail.size())));
    written.size = text.size();
    return written;
}

// `bytes` may pass the value's eight (a run of zeros): those are zero, not a shift past its width.
void putLittle(std::ofstream& file, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        file.put(static_cast<char>(i < 8 ? (value >> (8 * i)) & 0xff : 0));
}

std::string pathOf(const std::string& name)
{
    // Tests run side by side: each process writes files of its own.
    static const std::string process = std::to_string(std::random_device()());
    return std::string(::testing::TempDir()) + "/" + process + "-" + name;
}

} // namespace

std::string writeRepeatedGzip(const std::string& name, const RepeatedText& text)
{
    const std::string path = pathOf(name);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10);
    const Deflated written = writeDeflated(file, text);
    putLittle(file, written.crc, 4);
    putLittle(file, written.size, 4); // modulo 2^32, as gzip keeps it
    return path;
}

std::string writeRepeatedZip(const std::string& name, const RepeatedText& text)
{
    EXPECT_LT(text.size(), std::uint64_t(1) << 32) << "no zip64 here";
    const std::string path = pathOf(name);
    const std::string entry = "emlog_20240506_120000.sql";
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    // The local header, its sizes told after the data (bit 3) and again in the central directory.
    putLittle(file, 0x04034b50, 4);
    putLittle(file, 20, 2);
    putLittle(file, 0x0808, 2); // sizes after the data; the name in UTF-8
    putLittle(file, 8, 2);      // deflate
    putLittle(file, 0, 2);
    putLittle(file, 0x21, 2); // 1980-01-01
    putLittle(file, 0, 12);
    putLittle(file, entry.size(), 2);
    putLittle(file, 0, 2);
    file << entry;
    const Deflated written = writeDeflated(file, text);
    putLittle(file, 0x08074b50, 4);
    putLittle(file, written.crc, 4);
    putLittle(file, written.compressedSize, 4);
    putLittle(file, written.size, 4);
    const std::uint64_t directory = static_cast<std::uint64_t>(file.tellp());
    putLittle(file, 0x02014b50, 4);
    putLittle(file, 20, 2);
    putLittle(file, 20, 2);
    putLittle(file, 0x0808, 2);
    putLittle(file, 8, 2);
    putLittle(file, 0, 2);
    putLittle(file, 0x21, 2);
    putLittle(file, written.crc, 4);
    putLittle(file, written.compressedSize, 4);
    putLittle(file, written.size, 4);
    putLittle(file, entry.size(), 2);
    putLittle(file, 0, 12); // extra, comment, disk, attributes
    putLittle(file, 0, 4);  // the local header's offset
    file << entry;
    const std::uint64_t end = static_cast<std::uint64_t>(file.tellp());
    putLittle(file, 0x06054b50, 4);
    putLittle(file, 0, 4);
    putLittle(file, 1, 2);
    putLittle(file, 1, 2);
    putLittle(file, end - directory, 4);
    putLittle(file, directory, 4);
    putLittle(file, 0, 2);
    return path;
}

} // namespace kestrel::test
