// The fuzz targets in every build: each input kept for them (the inputs they start from, and every
// input that once broke one), and damaged copies of the real backups among them.
#include "FuzzTargets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <random>
#include <string>
#include <vector>

using namespace kestrel;

namespace kestrel::fuzz {

// A target by its name, in the tests' names.
void PrintTo(const Target& target, std::ostream* out)
{
    *out << target.name;
}

} // namespace kestrel::fuzz

namespace {

const std::filesystem::path fuzzDir = KESTREL_SOURCE_DIR "/fuzz";

std::string bytesOf(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// The inputs kept for a target: in corpus/ and regressions/.
std::vector<std::filesystem::path> inputsOf(std::string_view target)
{
    std::vector<std::filesystem::path> inputs;
    for (const char* kept : {"corpus", "regressions"}) {
        const std::filesystem::path folder = fuzzDir / kept / target;
        if (!std::filesystem::is_directory(folder))
            continue;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            inputs.push_back(entry.path());
    }
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

int run(const fuzz::Target& target, const std::string& bytes, const std::string& what)
{
    // A target that breaks a promise stops the program: this names the input that did.
    std::fprintf(stderr, "%.*s: %s\n", static_cast<int>(target.name.size()), target.name.data(), what.c_str());
    return target.run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

class FuzzCorpus : public ::testing::TestWithParam<fuzz::Target>
{
};

} // namespace

TEST_P(FuzzCorpus, EveryKeptInputPasses)
{
    const std::vector<std::filesystem::path> inputs = inputsOf(GetParam().name);
    ASSERT_FALSE(inputs.empty()) << "no inputs kept for " << GetParam().name;
    for (const std::filesystem::path& input : inputs)
        EXPECT_EQ(run(GetParam(), bytesOf(input), input.string()), 0);
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzCorpus, ::testing::ValuesIn(fuzz::targets),
                         [](const auto& info) { return std::string(info.param.name); });

// Backups damaged as files passed around are: bytes flipped, cut, chunks doubled or dropped, stray
// quotes and semicolons, bytes that are not UTF-8, huge numbers, a long line; compressed ones broken
// inside. None crashes or hangs, and none is half read: the backup target fails if a file the first
// pass accepted could not be read again whole, as a run would then stop halfway through its writes.
TEST(DamagedBackups, NeverCrashHangOrHalfRead)
{
    const fuzz::Target& backup = fuzz::targets[0];
    ASSERT_EQ(backup.name, "backup_file");
    std::mt19937 random(20240506); // the same damage every time
    const auto at = [&](std::size_t size) { return std::uniform_int_distribution<std::size_t>(0, size)(random); };
    std::vector<std::string> stray = {
        "'", "\"", ";", "`", "\\", "\xc4\xe3", "\xff\xfe", "\n", "99999999999999999999999999", "-- ", "/*", "),("};
    stray.push_back(std::string(1, '\0'));
    int copies = 0;
    for (const std::filesystem::path& input : inputsOf(backup.name)) {
        const std::string whole = bytesOf(input);
        if (whole.size() < 2000) // the real backups, not the small inputs the fuzzer found
            continue;
        for (int kind = 0; kind < 8; ++kind) {
            for (int times = 0; times < 2; ++times) {
                std::string damaged = whole;
                const std::size_t from = at(damaged.size() - 1);
                const std::size_t length = std::min<std::size_t>(at(4096), damaged.size() - from);
                switch (kind) {
                case 0: // bytes flipped
                    for (int i = 0; i < 8; ++i)
                        damaged[at(damaged.size() - 1)] ^= static_cast<char>(1 << (i % 8));
                    break;
                case 1: // cut
                    damaged.resize(from);
                    break;
                case 2: // a chunk doubled
                    damaged.insert(from, damaged.substr(from, length));
                    break;
                case 3: // a chunk dropped
                    damaged.erase(from, length);
                    break;
                case 4: // stray bytes
                    for (int i = 0; i < 4; ++i)
                        damaged.insert(at(damaged.size()), stray[at(stray.size() - 1)]);
                    break;
                case 5: // a long line
                    damaged.insert(from, std::string(256 << 10, 'x'));
                    break;
                case 6: // the end of one copy glued to the start of another
                    damaged = whole.substr(0, from) + whole.substr(at(whole.size()));
                    break;
                case 7: // a byte changed every so often
                    for (std::size_t i = from; i < damaged.size(); i += 997)
                        damaged[i] = static_cast<char>(at(255));
                    break;
                }
                run(backup, damaged, input.filename().string() + " damaged (" + std::to_string(kind) + ")");
                ++copies;
            }
        }
    }
    EXPECT_GT(copies, 0) << "no real backups among the inputs of backup_file";
}
