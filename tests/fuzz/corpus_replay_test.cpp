// Replays the seed corpus and the fixed crash reproducers of every fuzz
// target (tests/fuzz/corpus/<target>/) in the normal build, so that a reader
// that starts to crash, read out of bounds or throw anything but a
// FatalError on one of them fails the suite (and the sanitizer build).
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "fuzz_support.hpp"
#include "support/files.hpp"

using velkaro::testing::read_file;

// Every fuzz target, as the libFuzzer programs of fuzz/CMakeLists.txt name them.
#define VELKARO_TARGETS(X) \
    X(sivex) X(path) X(dualband) X(eos) X(atmos_grid) X(entropy_table) X(tracks) X(filters) X(magnitude_grids)
#define VELKARO_DECLARE(name) VELKARO_FUZZ_TARGET(name);
VELKARO_TARGETS(VELKARO_DECLARE)

namespace {

struct Entry {
    const char* name;
    int (*fn)(const std::uint8_t*, std::size_t);
};

#define VELKARO_ENTRY(name) {#name, velkaro_fuzz_##name},
const Entry kTargets[] = {VELKARO_TARGETS(VELKARO_ENTRY)};

}  // namespace

TEST(FuzzCorpus, EveryTargetReplaysItsCorpus) {
    for (const auto& t : kTargets) {
        const auto dir = std::filesystem::path(VELKARO_SOURCE_DIR) / "tests/fuzz/corpus" / t.name;
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(dir))
            for (const auto& e : std::filesystem::directory_iterator(dir))
                if (e.is_regular_file()) files.push_back(e.path());
        std::sort(files.begin(), files.end());
        EXPECT_GE(files.size(), 3U) << "corpus of " << t.name;
        for (const auto& f : files) {
            SCOPED_TRACE(f.string());
            const std::string bytes = read_file(f);
            EXPECT_EQ(t.fn(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(velkaro::fuzz::scratch_dir(), ec);
}
