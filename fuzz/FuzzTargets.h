#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Each reader of outside input as a fuzz target: one input in, nothing out, and a fault found (a broken
// promise of the reader's, besides what the sanitizers catch) stops the program. scripts/fuzz.sh feeds
// them what libFuzzer makes; the test FuzzCorpus feeds them every input kept in fuzz/corpus/<name>/.
namespace kestrel::fuzz {

// A backup file, as the program opens and reads it; plain SQL text also gzipped and zipped.
int backupFile(const std::uint8_t* data, std::size_t size);
// One statement's text, through the lexer and the statement readers.
int sqlStatements(const std::uint8_t* data, std::size_t size);
// A PHP-serialized value: its end, PhpValue, and WordPress's cron with articles scheduled.
int phpSerialized(const std::uint8_t* data, std::size_t size);
// The blog's address on the first line, then a text whose links to it are rewritten.
int blogLinks(const std::uint8_t* data, std::size_t size);
// A visitor's comment with UBB, made HTML.
int ubb(const std::uint8_t* data, std::size_t size);
// An answer of the receiver plugin, read.
int pluginAnswers(const std::uint8_t* data, std::size_t size);

struct Target
{
    std::string_view name; // its folder in fuzz/corpus/, and its program fuzz_<name>
    int (*run)(const std::uint8_t* data, std::size_t size);
};

inline constexpr Target targets[] = {
    {"backup_file", backupFile},
    {"sql_statements", sqlStatements},
    {"php_serialized", phpSerialized},
    {"blog_links", blogLinks},
    {"ubb", ubb},
    {"plugin_answers", pluginAnswers},
};

// Stops the program when a promise does not hold: libFuzzer keeps the input that broke it.
void expect(bool holds, const char* promise);

} // namespace kestrel::fuzz
