// Support of the fuzz targets of the input readers. Each target is a function
// velkaro_fuzz_<name>(data, size) that hands the bytes to one reader through
// a file, the way a run meets them. entry/libfuzzer_entry.cpp makes one
// libFuzzer program of each target (VELKARO_FUZZ=ON, clang); the corpus
// replay of test_fuzz calls all targets in one program.
//
// A FatalError is the reader's proper answer to a malformed file; anything
// else that escapes (another exception, a crash, a sanitizer report, a hang)
// is a fault of the reader.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "common/fatal.hpp"

#define VELKARO_FUZZ_TARGET(name) int velkaro_fuzz_##name(const std::uint8_t* data, std::size_t size)

namespace velkaro::fuzz {

/// A directory of this process for the files the targets write (a few small
/// files under the temp directory; the corpus replay removes it at its end).
inline const std::filesystem::path& scratch_dir() {
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("velkaro-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

inline void write_file(const std::filesystem::path& p, std::string_view bytes) {
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string_view as_text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

/// Run a reader; a FatalError with at least one message line is expected
/// for bad input, an empty one would leave the user without a reason.
template <class F>
int expect_clean(F&& reader) {
    try {
        reader();
    } catch (const FatalError& e) {
        if (e.lines().empty()) std::abort();
    }
    return 0;
}

}  // namespace velkaro::fuzz
