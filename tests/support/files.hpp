// Shared by the test programs: whole files read back as bytes.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace velkaro::testing {

/// The bytes of file p (empty when it cannot be read).
inline std::string read_file(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

}  // namespace velkaro::testing
