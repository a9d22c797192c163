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

#define VELKARO_DECLARE(name) VELKARO_FUZZ_TARGET(name);
VELKARO_DECLARE(sivex)
VELKARO_DECLARE(path)
VELKARO_DECLARE(dualband)
VELKARO_DECLARE(eos)
VELKARO_DECLARE(atmos_grid)
VELKARO_DECLARE(entropy_table)
VELKARO_DECLARE(tracks)
VELKARO_DECLARE(filters)
VELKARO_DECLARE(magnitude_grids)

namespace {

using Target = int (*)(const std::uint8_t*, std::size_t);

struct Entry {
    const char* name;
    Target fn;
};

const Entry kTargets[] = {{"sivex", velkaro_fuzz_sivex},
                          {"path", velkaro_fuzz_path},
                          {"dualband", velkaro_fuzz_dualband},
                          {"eos", velkaro_fuzz_eos},
                          {"atmos_grid", velkaro_fuzz_atmos_grid},
                          {"entropy_table", velkaro_fuzz_entropy_table},
                          {"tracks", velkaro_fuzz_tracks},
                          {"filters", velkaro_fuzz_filters},
                          {"magnitude_grids", velkaro_fuzz_magnitude_grids}};

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
